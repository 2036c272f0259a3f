#include "path_join.h"

#include <windows.h>

#include <shlwapi.h>

bool JoinPath(const std::wstring& folder, const std::wstring& more, std::wstring& out) {
    // The shell's own check is not relied on: its buffer has MAX_PATH characters whatever the
    // parts, so the longest result they could give must fit before it is asked.
    if (folder.size() + 1 + more.size() >= MAX_PATH)
        return false;
    wchar_t buffer[MAX_PATH] = {};
    folder.copy(buffer, folder.size());
    if (!PathAppendW(buffer, more.c_str()))
        return false;
    out = buffer;
    return true;
}
