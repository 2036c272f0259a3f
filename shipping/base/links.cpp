#include "shipping/base/links.h"

#ifdef _WIN32
#include "shipping/base/utf8_system.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>
#endif

namespace fs = std::filesystem;

namespace kitbag {

#ifdef _WIN32
fs::path ResolvedPath(const fs::path& path, std::error_code& failure) {
    failure.clear();
    HANDLE handle = CreateFileW(LongPathForm(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failure = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return {};
    }
    // Too small a buffer: Windows says how much is needed, Wine only that it is too small.
    std::vector<wchar_t> name(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        const bool tooSmall =
            length >= name.size() || (length == 0 && GetLastError() == ERROR_MORE_DATA);
        if (!tooSmall || name.size() > 65536)
            break;
        name.resize(std::max<std::size_t>(length + 1, 2 * name.size()));
        length = 0;
    }
    if (length == 0 || length >= name.size())
        failure = std::error_code(
            static_cast<int>(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE),
            std::system_category());
    CloseHandle(handle);
    if (failure)
        return {};
    // "\\?\C:\..." or "\\?\UNC\server\share\...", as the names are given elsewhere.
    std::wstring text(name.data(), length);
    if (text.rfind(L"\\\\?\\UNC\\", 0) == 0)
        text = L"\\\\" + text.substr(8);
    else if (text.rfind(L"\\\\?\\", 0) == 0)
        text = text.substr(4);
    return fs::path(text);
}
#else
fs::path ResolvedPath(const fs::path& path, std::error_code& failure) {
    return fs::canonical(path, failure);
}
#endif

fs::path ResolvedIfPossible(const fs::path& path) {
    std::error_code failure;
    fs::path resolved = ResolvedPath(path, failure);
    if (failure)
        resolved = fs::weakly_canonical(path, failure);
    return failure ? fs::path() : resolved;
}

} // namespace kitbag
