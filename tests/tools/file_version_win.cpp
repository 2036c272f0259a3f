#include "file_version_win.h"

#include <windows.h>
#include <winver.h>

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
