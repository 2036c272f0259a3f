/* The write limit: copies every file of SOURCE into a new folder DEST, then deletes them and
 * the folder, the same file work an installer does for the payload without unpacking it.
 *   copytree.exe SOURCE DEST */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#define MAX_FILES 64

int wmain(int argc, wchar_t** argv) {
    wchar_t pattern[MAX_PATH], from[MAX_PATH], to[MAX_PATH];
    wchar_t names[MAX_FILES][MAX_PATH];
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search;
    int failed = 0;
    if (argc != 3 || swprintf(pattern, MAX_PATH, L"%ls\\*", argv[1]) < 0)
        return 2;
    if (!CreateDirectoryW(argv[2], NULL))
        return 3;
    search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 4;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (count == MAX_FILES || wcslen(found.cFileName) >= MAX_PATH)
            return 5;
        wcscpy(names[count++], found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (int i = 0; i < count && !failed; ++i) {
        if (swprintf(from, MAX_PATH, L"%ls\\%ls", argv[1], names[i]) < 0 ||
            swprintf(to, MAX_PATH, L"%ls\\%ls", argv[2], names[i]) < 0 ||
            !CopyFileW(from, to, TRUE))
            failed = 6;
    }
    for (int i = 0; i < count; ++i) {
        if (swprintf(to, MAX_PATH, L"%ls\\%ls", argv[2], names[i]) >= 0)
            DeleteFileW(to);
    }
    RemoveDirectoryW(argv[2]);
    return failed;
}
