#include "file_version_win.h"

#include <windows.h>
#include <winver.h>

#include "line_escape.h"
#include "wide_conversion_win.h"

#include <cstdio>
#include <vector>

std::optional<std::wstring> FileVersionText(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return std::nullopt;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != 0xFEEF04BD)
        return std::nullopt;
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

std::string VersionStringLines(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<unsigned char> block(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return {};
    const WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &length) ||
        length < 4)
        return {};
    std::string lines;
    for (const wchar_t* key :
         {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
          L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        wchar_t query[96];
        std::swprintf(query, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1],
                      key);
        wchar_t* text = nullptr;
        if (VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length) &&
            text != nullptr)
            lines += WideToUtf8(L"versionstring[" + std::wstring(key) + L"]=" +
                                EscapeForLine(std::wstring(text, wcsnlen(text, length))) + L"\n");
    }
    return lines;
}
