#include "working_folder.h"

#include "log/log.h"
#include "payload/folder_security.h"
#include "payload/path_join.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace {

std::wstring g_strBaseFolder;
std::wstring g_strWorkingFolder;
bool g_bZeroGuid = false;
bool g_bWorkingFolderRefused = false;
WorkingFolderRefusal g_refusal;

constexpr GUID kFallbackGuid = {
    0x66EC6C3A, 0x0B4A, 0x4CAB, {0xA2, 0x4A, 0x53, 0xB2, 0xD4, 0x17, 0x6C, 0xD1}};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[50] = {};
    if (StringFromGUID2(guid, text, 50) == 0)
        return L"{00000001-0000-0000-0000-000000000001}";
    return text;
}

bool RefuseWorkingFolder(std::wstring& folder) {
    g_bWorkingFolderRefused = true;
    folder.clear();
    return false;
}

} // namespace

ResultCode PrepareBaseFolder(const std::wstring& baseFolder) {
    g_strBaseFolder = baseFolder;
    CreateDirectoryW(baseFolder.c_str(), nullptr);

    GUID guid{};
    CoCreateGuid(&guid);
    std::wstring probe;
    if (!JoinPath(baseFolder, GuidText(guid), probe)) {
        LogFormat(L"Temp folder path too long '%s'\n", baseFolder);
        return result::kFail;
    }
    HANDLE file =
        CreateFileW(probe.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return result::kFail;
    CloseHandle(file);
    return result::kSuccess;
}

void UseZeroGuid() {
    g_bZeroGuid = true;
}

bool GetWorkingFolder(std::wstring& folder) {
    if (!g_strWorkingFolder.empty()) {
        folder = g_strWorkingFolder;
        return true;
    }
    if (g_bWorkingFolderRefused)
        return RefuseWorkingFolder(folder);

    GUID guid{};
    if (!g_bZeroGuid && FAILED(CoCreateGuid(&guid)))
        guid = kFallbackGuid;
    std::wstring path;
    if (!JoinPath(g_strBaseFolder, GuidText(guid), path)) {
        LogFormat(L"Working folder path too long in '%s'\n", g_strBaseFolder);
        return RefuseWorkingFolder(folder);
    }

    // The payload is started with raised rights, so nobody else may change it in between: the
    // folder gets an access list of its own rather than the parent's (under a drive's root
    // that lets every user change new files). A folder that exists already (the zero GUID, a
    // fixed fallback) is used only when nobody else could have prepared it.
    CreateFolderTree(g_strBaseFolder);
    if (!CreatePrivateFolder(path)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            LogFormat(L"Cannot create working folder '%s' %ld\n", path,
                      static_cast<std::int32_t>(error));
            return RefuseWorkingFolder(folder);
        }
        const std::wstring why = WhyFolderOnDiskIsRefused(path);
        if (!why.empty()) {
            LogFormat(L"Refusing the existing working folder '%s': %s\n", path, why);
            g_refusal = {path, why};
            return RefuseWorkingFolder(folder);
        }
    }
    g_strWorkingFolder = path;
    folder = g_strWorkingFolder;
    return true;
}

const WorkingFolderRefusal& ExistingFolderRefusal() {
    return g_refusal;
}

bool CreateFolderTree(const std::wstring& folder) {
    return SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS;
}
