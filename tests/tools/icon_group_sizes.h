#pragma once
// The image sizes listed by an RT_GROUP_ICON resource.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct IconSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// In directory order; a stored 0 means 256. Answers nothing when the directory is not an icon
// directory or lists more entries than its bytes hold.
std::optional<std::vector<IconSize>> ReadIconGroupSizes(const unsigned char* data,
                                                        std::size_t size);
