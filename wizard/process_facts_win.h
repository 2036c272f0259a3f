#pragma once
// Facts about the running process, each of any length.
#include "folder_listing.h"

#include <string>
#include <vector>

// The command line split the way CommandLineToArgvW splits it; argv[0] is the program.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

std::wstring CurrentFolder();
std::wstring ExecutablePath();

// The part of `path` before its last backslash or slash; empty when it has none.
std::wstring FolderOf(const std::wstring& path);

// Everything directly inside `folder`; empty when it cannot be read.
std::vector<FolderEntry> EntriesOfFolder(const std::wstring& folder);
