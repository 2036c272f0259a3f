#pragma once
// Joining paths with the shell's rule within the shell's path limit.
#include <string>

// PathAppendW(folder, more) into out; false, with out untouched, when the result could exceed
// MAX_PATH - 1 characters or the shell refuses it.
bool JoinPath(const std::wstring& folder, const std::wstring& more, std::wstring& out);
