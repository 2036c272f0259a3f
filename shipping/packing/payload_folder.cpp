#include "shipping/packing/payload_folder.h"
#include "shipping/base/folder_walk.h"
#include "shipping/base/utf8_system.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kitbag {

bool ListFolder(const std::string& folder, std::vector<PayloadFile>& files,
                std::vector<std::string>& emptyFolders, std::string& error) {
    std::vector<std::string> folders;
    std::error_code failure;
    const fs::path root = PathOf(folder);
    if (!fs::is_directory(root, failure)) {
        error = "'" + folder + "' is " +
                (fs::exists(root, failure) ? "a file, not a folder" : "not a folder");
        return false;
    }
    std::vector<FolderEntry> entries;
    if (!WalkFolder(root, entries, failure)) {
        error = "cannot read the folder '" + folder + "': " + failure.message();
        return false;
    }
    for (const FolderEntry& entry : entries) {
        const std::string& name = entry.name;
        if (entry.folder) {
            folders.push_back(name);
            continue;
        }
        const fs::file_status target = fs::status(entry.path, failure);
        if (entry.link && target.type() == fs::file_type::not_found) {
            error = "'" + name + "' is a link whose target does not exist";
            return false;
        }
        if (entry.link && failure) {
            error = "'" + name + "' is a link that cannot be followed: " + failure.message();
            return false;
        }
        if (entry.link && fs::is_directory(target)) {
            error = "'" + name + "' is a link to a folder; copy the folder in instead";
            return false;
        }
        if (!fs::is_regular_file(target)) {
            error = "'" + name + "' is not a regular file";
            return false;
        }
        const std::uint64_t size = fs::file_size(entry.path, failure);
        if (failure) {
            error = "cannot read the size of '" + name + "': " + failure.message();
            return false;
        }
        files.push_back({name, size, IdentityOf(Utf8Of(entry.path))});
    }
    // A folder holds a file when some file's path starts with the folder's and a "/".
    std::vector<std::string> paths;
    for (const PayloadFile& file : files)
        paths.push_back(file.path);
    std::sort(paths.begin(), paths.end());
    for (const std::string& name : folders) {
        std::string prefix = name + "/";
        auto next = std::lower_bound(paths.begin(), paths.end(), prefix);
        if (next == paths.end() || next->compare(0, prefix.size(), prefix) != 0)
            emptyFolders.push_back(name);
    }
    std::sort(emptyFolders.begin(), emptyFolders.end());
    return true;
}

} // namespace kitbag
