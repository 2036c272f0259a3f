#include "installer_engine.h"

#include "framework/system_library.h"

#include <shlobj.h>

#include <vector>

bool IsXpOrLater() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
        return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0));
}

bool GetSpecialFolderPath(int csidl, std::wstring& path) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)))
        return false;
    wchar_t buffer[MAX_PATH] = {};
    bool found = SHGetPathFromIDListW(items, buffer) != FALSE;
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc))) {
        malloc->Free(items);
        malloc->Release();
    }
    if (!found)
        return false;
    path = buffer;
    path += L'\\';
    return true;
}

bool GetFileVersion(const std::wstring& path, DWORD& major, DWORD& minor) {
    auto getSize = KITBAG_SYSTEM_FUNCTION(SystemLibrary::Version, GetFileVersionInfoSizeW);
    auto getInfo = KITBAG_SYSTEM_FUNCTION(SystemLibrary::Version, GetFileVersionInfoW);
    auto queryValue = KITBAG_SYSTEM_FUNCTION(SystemLibrary::Version, VerQueryValueW);
    if (getSize == nullptr || getInfo == nullptr || queryValue == nullptr)
        return false;
    DWORD handle = 0;
    DWORD size = getSize(path.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!getInfo(path.c_str(), 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLen = 0;
    if (!queryValue(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLen) ||
        fixed == nullptr || fixedLen < sizeof(VS_FIXEDFILEINFO))
        return false;
    if (fixed->dwSignature != 0xFEEF04BD)
        return false;
    major = HIWORD(fixed->dwFileVersionMS);
    minor = LOWORD(fixed->dwFileVersionMS);
    return true;
}

bool CheckInstallerEngine() {
    if (IsXpOrLater())
        return true;
    std::wstring system;
    if (!GetSpecialFolderPath(CSIDL_SYSTEM, system))
        return false;
    DWORD major = 0;
    DWORD minor = 0;
    return GetFileVersion(system + L"MSI.DLL", major, minor) && major >= 2;
}
