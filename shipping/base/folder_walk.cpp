#include "shipping/base/folder_walk.h"

#ifdef _WIN32
#include "shipping/base/utf8_system.h"

#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace kitbag {

#ifdef _WIN32
namespace {

bool WalkInto(const fs::path& folder, const std::string& prefix, std::vector<FolderEntry>& entries,
              std::error_code& failure) {
    std::wstring pattern = LongPathForm(folder);
    if (!pattern.empty() && pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) // nothing at all, not even "." (a drive's root)
            return true;
        failure = std::error_code(static_cast<int>(error), std::system_category());
        return false;
    }
    std::vector<std::size_t> folders;
    do {
        const std::wstring own = found.cFileName;
        if (own == L"." || own == L"..")
            continue;
        FolderEntry entry;
        entry.name = prefix + Utf8OfWide(own);
        entry.path = folder / own;
        // Symbolic links and junctions; another reparse point (a cloud placeholder, a
        // deduplicated file) is the file itself. A system that gives no tag (Wine) has links
        // only.
        const DWORD tag = found.dwReserved0;
        entry.link =
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
            (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == 0);
        entry.folder = !entry.link && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (entry.folder)
            folders.push_back(entries.size());
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        failure = std::error_code(static_cast<int>(error), std::system_category());
        return false;
    }
    for (std::size_t at : folders) {
        const fs::path path = entries[at].path;
        if (!WalkInto(path, entries[at].name + "/", entries, failure))
            return false;
    }
    return true;
}

} // namespace

bool WalkFolder(const fs::path& root, std::vector<FolderEntry>& entries, std::error_code& failure) {
    failure.clear();
    return WalkInto(root, "", entries, failure);
}
#else
bool WalkFolder(const fs::path& root, std::vector<FolderEntry>& entries, std::error_code& failure) {
    failure.clear();
    fs::recursive_directory_iterator walk(root, failure), end;
    for (; !failure && walk != end; walk.increment(failure)) {
        FolderEntry entry;
        entry.path = walk->path();
        // Named by the walk's own path: fs::relative would resolve a link to its target's name.
        entry.name = entry.path.lexically_relative(root).generic_string();
        const fs::file_status own = walk->symlink_status(failure);
        if (failure)
            break;
        entry.link = fs::is_symlink(own);
        entry.folder = fs::is_directory(own);
        entries.push_back(std::move(entry));
    }
    return !failure;
}
#endif

} // namespace kitbag
