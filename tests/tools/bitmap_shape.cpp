#include "bitmap_shape.h"

#include "little_endian.h"

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint32_t Magnitude(std::uint32_t rawSigned) {
    auto value = static_cast<std::int64_t>(static_cast<std::int32_t>(rawSigned));
    return static_cast<std::uint32_t>(value < 0 ? -value : value);
}

} // namespace

std::optional<BitmapShape> ReadBitmapShape(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size < 4)
        return std::nullopt;
    const std::uint32_t headerSize = ReadLe32(data);
    BitmapShape shape;
    if (headerSize == kCoreHeaderSize && size >= kCoreHeaderSize) {
        shape.width = ReadLe16(data + 4);
        shape.height = ReadLe16(data + 6);
        shape.bitsPerPixel = ReadLe16(data + 10);
        return shape;
    }
    if (headerSize >= kInfoHeaderSize && size >= headerSize) {
        shape.width = Magnitude(ReadLe32(data + 4));
        shape.height = Magnitude(ReadLe32(data + 8));
        shape.bitsPerPixel = ReadLe16(data + 14);
        return shape;
    }
    return std::nullopt;
}
