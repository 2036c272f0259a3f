#pragma once
// Creating a folder that only SYSTEM, the Administrators group and the running user may use.
#include <windows.h>

#include <string>

// Creates folder (one level) with a protected access list that its files and sub-folders
// inherit. Fails, with the system's error as the last error, when the folder exists already or
// the access list cannot be made; nothing is created then.
bool CreatePrivateFolder(const std::wstring& folder);
