#pragma once
// Everything below a folder, with links told apart from what they lead to and never entered.
// On Windows the walk is the system's own: the C++ library's there follows junctions, and
// stops at 260 characters.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace kitbag {

struct FolderEntry {
    std::string name;           // relative to the folder walked, '/' between the parts, UTF-8
    std::filesystem::path path; // the folder walked joined with the name
    bool link = false;          // a symbolic link or a junction: judge it by what it leads to
    bool folder = false;        // a folder itself (never a link); its entries follow
};

// The entries below root, each folder before what it holds. False, with the cause, when a
// folder cannot be read.
bool WalkFolder(const std::filesystem::path& root, std::vector<FolderEntry>& entries,
                std::error_code& failure);

} // namespace kitbag
