#pragma once
#include <windows.h>

#include <string>

// True when the Windows Installer engine is version 2 or later.
bool CheckInstallerEngine();
// True on the Windows NT platform with a version above 5.0.
bool IsXpOrLater();
// The path of a shell special folder (CSIDL), with a backslash added.
bool GetSpecialFolderPath(int csidl, std::wstring& path);
// The file's version major and minor numbers; written only when the file has a valid block.
bool GetFileVersion(const std::wstring& path, DWORD& major, DWORD& minor);
