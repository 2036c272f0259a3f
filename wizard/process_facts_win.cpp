#include "process_facts_win.h"

#include <windows.h>
#include <shellapi.h>

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> argv;
    int count = 0;
    LPWSTR* parts = CommandLineToArgvW(commandLine.c_str(), &count);
    if (parts == nullptr)
        return argv;
    for (int i = 0; i < count; ++i)
        argv.emplace_back(parts[i]);
    LocalFree(parts);
    return argv;
}

std::wstring CurrentFolder() {
    // The folder can change between the two calls, so ask again until it fits.
    for (;;) {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0)
            return {};
        std::wstring folder(needed, L'\0');
        const DWORD length = GetCurrentDirectoryW(needed, &folder[0]);
        if (length < needed) {
            folder.resize(length);
            return folder;
        }
    }
}

std::wstring ExecutablePath() {
    // GetModuleFileNameW cuts the name short without telling its length, so grow until it fits.
    for (DWORD capacity = MAX_PATH; capacity <= 0x10000; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], capacity);
        if (length == 0)
            return {};
        if (length < capacity) {
            path.resize(length);
            return path;
        }
    }
    return {};
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::vector<FolderEntry> EntriesOfFolder(const std::wstring& folder) {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoStandard, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        FolderEntry entry;
        entry.name = found.cFileName;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entries.push_back(entry);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}
