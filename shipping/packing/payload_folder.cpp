#include "shipping/packing/payload_folder.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kitbag {

bool ListFolder(const std::string& folder, std::vector<PayloadFile>& files,
                std::vector<std::string>& emptyFolders, std::string& error) {
    std::vector<std::string> folders;
    std::error_code failure;
    if (!fs::is_directory(folder, failure)) {
        error = "'" + folder + "' is " +
                (fs::exists(folder, failure) ? "a file, not a folder" : "not a folder");
        return false;
    }
    const fs::path root = folder;
    fs::recursive_directory_iterator walk(root, failure), end;
    for (; !failure && walk != end; walk.increment(failure)) {
        // Named by the walk's own path: fs::relative would resolve a link to its target's name.
        const fs::path& path = walk->path();
        const std::string name = path.lexically_relative(root).generic_string();
        const fs::file_status own = walk->symlink_status(failure);
        if (failure)
            break;
        if (fs::is_directory(own)) {
            folders.push_back(name);
            continue;
        }
        const bool link = fs::is_symlink(own);
        const fs::file_status target = link ? fs::status(path, failure) : own;
        if (link && target.type() == fs::file_type::not_found) {
            error = "'" + name + "' is a link whose target does not exist";
            return false;
        }
        if (link && failure) {
            error = "'" + name + "' is a link that cannot be followed: " + failure.message();
            return false;
        }
        if (link && fs::is_directory(target)) {
            error = "'" + name + "' is a link to a folder; copy the folder in instead";
            return false;
        }
        if (!fs::is_regular_file(target)) {
            error = "'" + name + "' is not a regular file";
            return false;
        }
        const std::uint64_t size = fs::file_size(path, failure);
        if (failure)
            break;
        files.push_back({name, size, IdentityOf(path.string())});
    }
    if (failure) {
        error = "cannot read the folder '" + folder + "': " + failure.message();
        return false;
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
