#include "payload/embedded_info.h"

#include "checks/authenticode.h"
#include "log/log.h"
#include "payload/embedded_info_scan.h"
#include "payload/path_join.h"
#include "payload/working_folder.h"

#include <windows.h>

#include <array>
#include <string>

namespace {

// The information as text for the log: the thread's ANSI code page, up to its first zero.
std::wstring InfoText(const std::uint8_t* info, std::size_t length) {
    std::string bytes(reinterpret_cast<const char*>(info), length);
    bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, &text[0], n);
    return text;
}

void WriteInfo(const std::wstring& target, const std::uint8_t* info, std::size_t length) {
    LogFormat(L"Found embedded information '%s'\r\n", InfoText(info, length));
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const auto n = static_cast<std::int32_t>(length);
    if (file == INVALID_HANDLE_VALUE) {
        LogFormat(L"Failed to create temp file %s %ld\r\n", target,
                  static_cast<std::int32_t>(GetLastError()));
        return;
    }
    DWORD written = 0;
    if (WriteFile(file, info, static_cast<DWORD>(length), &written, nullptr) && written == length)
        LogFormat(L"Written out embedded information %ld byts to file %s\r\n", n, target);
    else
        LogFormat(L"Write fail for embedded information %ld byts to file %s\r\n", n, target);
    CloseHandle(file);
}

} // namespace

ResultCode WriteEmbeddedInfo() {
    std::wstring folder;
    std::wstring target;
    if (!GetWorkingFolder(folder))
        return result::kSuccess;
    if (!JoinPath(folder, L"info.xml", target)) {
        LogFormat(L"File path too long 'info.xml' in '%s'\n", folder);
        return result::kSuccess;
    }
    return ExtractEmbeddedInfo(target);
}

ResultCode ExtractEmbeddedInfo(const std::wstring& target) {
    HANDLE own = CreateFileW(GetModulePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    LogText(L"Scanning for Signature\r\n");
    if (own == INVALID_HANDLE_VALUE)
        return result::kSuccess;

    // Only the last bytes are read, however large the file.
    std::array<std::uint8_t, kInfoWindowSize> window{};
    LARGE_INTEGER size{};
    LARGE_INTEGER distance{};
    distance.QuadPart = -kInfoWindowDistanceFromEnd;
    DWORD read = 0;
    if (GetFileSizeEx(own, &size) && size.QuadPart >= static_cast<LONGLONG>(kInfoMinimumFileSize) &&
        SetFilePointerEx(own, distance, nullptr, FILE_END) &&
        ReadFile(own, window.data(), static_cast<DWORD>(window.size()), &read, nullptr) &&
        read == window.size()) {
        if (auto span = FindEmbeddedInfo(window.data(), window.size()))
            WriteInfo(target, window.data() + span->offset, span->length);
    }
    CloseHandle(own);
    return result::kSuccess;
}
