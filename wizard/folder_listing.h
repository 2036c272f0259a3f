#pragma once
// The "file=" lines of the record: what lies next to the wizard's executable.
#include <cstdint>
#include <string>
#include <vector>

struct FolderEntry {
    std::wstring name;
    std::uint64_t size = 0;
    bool isFolder = false;
};

// "file=<name>\t<size>" for a file, "file=<name>\t<dir>" for a folder, sorted by name
// ignoring ASCII case. "." and ".." are left out.
std::vector<std::wstring> FolderListingLines(std::vector<FolderEntry> entries);
