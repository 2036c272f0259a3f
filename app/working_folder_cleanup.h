#pragma once
// Deleting a folder with everything beneath it.
#include "app/held_file_win.h"

#include <string>

// Deletes the files and sub-folders beneath folder, depth first, and then folder itself,
// logging each step. Links and junctions are removed themselves, never followed, also when
// folder itself is one. A file or folder held for a moment is waited for within deleter's
// budget; what cannot be deleted stays, and so do the folders above it.
void DeleteFolderTree(const std::wstring& folder, HeldFileDeleter& deleter);
