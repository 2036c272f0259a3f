#include "disk_space_rule.h"

std::wstring DrivePart(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':' &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
        return path.substr(0, 2);
    return {};
}

std::int64_t WholeMegabytes(std::uint64_t bytes) {
    return static_cast<std::int64_t>(bytes / 1024 / 1024);
}
