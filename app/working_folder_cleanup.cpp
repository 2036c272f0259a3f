#include "app/working_folder_cleanup.h"

#include "app/kitbag_installer_app.h"
#include "log/log.h"
#include "payload/working_folder.h"

#include <windows.h>

namespace {

bool IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

void CKitbagInstallerApp::RemoveWorkingFolder() {
    std::wstring folder;
    if (GetWorkingFolder(folder) && IsLink(folder)) {
        // Deleting the payload's names through a link would delete files wherever it leads.
        LogFormat(L"Deletion link '%s'\n", folder);
        RemoveDirectoryW(folder.c_str());
        return;
    }
    // One budget for the whole clean-up: a file that stays held is not waited for twice.
    HeldFileDeleter deleter;
    for (const auto& entry : m_lstResources) {
        std::wstring path;
        if (!entry->GetTargetPath(path))
            continue;
        LogFormat(L"Manual Deletion of '%s'\n", path);
        deleter.DeleteOneFile(path);
    }
    if (folder.empty())
        return;
    // The wizard ran with the working folder as the current directory.
    SetCurrentDirectoryW(L"\\");
    LogFormat(L"Deletion Folder of '%s'\n", folder);
    DeleteFolderTree(folder, deleter);
}

void DeleteFolderTree(const std::wstring& folder, HeldFileDeleter& deleter) {
    // An empty path would make the search below run in the root of the current drive.
    if (folder.empty())
        return;
    if (IsLink(folder)) {
        // Listing a link would list its target: remove the link alone.
        LogFormat(L"Deletion link '%s'\n", folder);
        RemoveDirectoryW(folder.c_str());
        return;
    }
    std::wstring prefix = folder;
    if (prefix.back() != L'\\')
        prefix += L'\\';

    WIN32_FIND_DATAW found{};
    const std::wstring pattern = prefix + L"*.*";
    HANDLE search = pattern.size() < MAX_PATH
                        ? FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found,
                                           FindExSearchNameMatch, nullptr, 0)
                        : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            const DWORD attributes = found.dwFileAttributes;
            const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (directory && (name == L"." || name == L".."))
                continue;
            const std::wstring path = prefix + name;
            if (path.size() >= MAX_PATH) {
                LogFormat(L"Deletion skipped, path too long '%s'\n", path);
            } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                // A link or junction may lead out of the folder: remove the link, not its target.
                LogFormat(L"Deletion link '%s'\n", path);
                if (directory)
                    RemoveDirectoryW(path.c_str());
                else
                    DeleteFileW(path.c_str());
            } else if (!directory) {
                LogFormat(L"Deletion file '%s'\n", path);
                deleter.DeleteOneFile(path);
            } else {
                LogFormat(L"Deletion subfolder Folder of '%s'\n", path);
                DeleteFolderTree(path, deleter);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    } else if (pattern.size() >= MAX_PATH) {
        LogFormat(L"Deletion skipped, path too long '%s'\n", folder);
    }
    LogFormat(L"Remove Folder '%s'\n", folder);
    deleter.RemoveEmptyFolder(folder);
}
