#pragma once
// Deleting a folder with everything beneath it.
#include <string>

// Deletes the files and sub-folders beneath folder, depth first, and then folder itself,
// logging each step. Links and junctions are removed themselves, never followed. What cannot
// be deleted stays, and so do the folders above it.
void DeleteFolderTree(const std::wstring& folder);
