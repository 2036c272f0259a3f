#include "shipping/base/own_executable.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace kitbag {

#ifdef _WIN32
std::filesystem::path OwnExecutable() {
    // The name is cut short, without an error, when the buffer is too small: grow it until
    // the whole name fits (a long path can take 32,767 characters).
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        std::vector<wchar_t> name(size);
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), size);
        if (length == 0)
            return {};
        if (length < size)
            return std::filesystem::path(std::wstring(name.data(), length));
    }
    return {};
}
#else
std::filesystem::path OwnExecutable() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self;
}
#endif

} // namespace kitbag
