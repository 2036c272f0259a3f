#include "icon_group_sizes.h"

#include "little_endian.h"

namespace {

constexpr std::size_t kDirectoryHeaderSize = 6;
constexpr std::size_t kEntrySize = 14;
constexpr std::uint16_t kIconType = 1;

std::uint32_t Dimension(unsigned char stored) {
    return stored == 0 ? 256u : stored;
}

} // namespace

std::optional<std::vector<IconSize>> ReadIconGroupSizes(const unsigned char* data,
                                                        std::size_t size) {
    if (data == nullptr || size < kDirectoryHeaderSize || ReadLe16(data + 2) != kIconType)
        return std::nullopt;
    const std::size_t count = ReadLe16(data + 4);
    if (count > (size - kDirectoryHeaderSize) / kEntrySize)
        return std::nullopt;
    std::vector<IconSize> sizes;
    sizes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = data + kDirectoryHeaderSize + i * kEntrySize;
        sizes.push_back({Dimension(entry[0]), Dimension(entry[1])});
    }
    return sizes;
}
