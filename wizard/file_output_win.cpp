#include "file_output_win.h"

#include <windows.h>

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = bytes.size() - done < 0x10000 ? bytes.size() - done : 0x10000;
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteAndClose(HANDLE file, const std::string& bytes) {
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = WriteAll(file, bytes);
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return written;
}

} // namespace

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    // Append-only access makes every write land at the end, whoever else wrote meanwhile.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return WriteAndClose(file, bytes);
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return WriteAndClose(file, bytes);
}
