#pragma once
// The plain arithmetic of the free-space check.
#include <cstdint>
#include <string>

// The drive letter and colon a path starts with ("C:"), or empty text.
std::wstring DrivePart(const std::wstring& path);
// Whole megabytes in a byte count, truncated.
std::int64_t WholeMegabytes(std::uint64_t bytes);
// Enough space means strictly more free megabytes than required.
inline bool HasEnoughSpace(std::int64_t freeMB, std::int64_t requiredMB) {
    return freeMB > requiredMB;
}
