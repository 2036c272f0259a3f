#pragma once
// Creating a folder that only SYSTEM, the Administrators group and the running user may use,
// and judging one that exists already.
#include <windows.h>

#include <string>

// Creates folder (one level) with a protected access list that its files and sub-folders
// inherit. Fails, with the system's error as the last error, when the folder exists already or
// the access list cannot be made; nothing is created then.
bool CreatePrivateFolder(const std::wstring& folder);

// Empty when the existing folder may be used as the working folder; otherwise why not (see
// payload/existing_folder_rule.h). A link is judged as a link, never by its target.
std::wstring WhyFolderOnDiskIsRefused(const std::wstring& folder);
