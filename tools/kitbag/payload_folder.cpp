#include "tools/kitbag/payload_folder.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kitbag {

bool ListFolder(const std::string& folder, std::vector<PayloadFile>& files, std::string& error) {
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
        if (fs::is_directory(own))
            continue;
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
        files.push_back({name, size});
    }
    if (failure) {
        error = "cannot read the folder '" + folder + "': " + failure.message();
        return false;
    }
    return true;
}

} // namespace kitbag
