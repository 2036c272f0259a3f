#include "dll_redirection.h"

namespace {

constexpr std::size_t kShellPathLimit = 260;
// Windows error numbers, spelled out: this file builds without <windows.h>.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kBadNetPath = 53;
constexpr std::uint32_t kBadNetName = 67;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kBadPathName = 161;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

std::wstring DllRedirectionPath(const std::wstring& programPath) {
    std::wstring path = programPath + L".local";
    if (path.size() < kShellPathLimit || StartsWith(path, L"\\\\?\\"))
        return path;
    if (StartsWith(path, L"\\\\"))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

bool ProvesAbsent(std::uint32_t error) {
    switch (error) {
    case kFileNotFound:
    case kPathNotFound:
    case kBadNetPath:
    case kBadNetName:
    case kInvalidName:
    case kBadPathName:
        return true;
    default:
        return false;
    }
}
