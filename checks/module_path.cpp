#include "authenticode.h"

#include <windows.h>

std::wstring GetModulePath() {
    // Grows the buffer until the whole path fits, so a long path is never cut.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD len = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (len == 0)
            return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}
