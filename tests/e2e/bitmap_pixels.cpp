#include "bitmap_pixels.h"

#include "payload/format/crc32.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

std::uint32_t Read(const std::string& file, std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + i])) << (8 * i);
    return value;
}

} // namespace

std::string BmpPixelCrc(const std::string& file) {
    if (file.size() < 54 || file.compare(0, 2, "BM") != 0)
        return "";
    const std::uint64_t offset = Read(file, 10, 4);
    const std::uint64_t width = Read(file, 18, 4);
    const std::uint64_t rows = std::llabs(static_cast<std::int32_t>(Read(file, 22, 4)));
    const std::uint64_t stride = (width * Read(file, 28, 2) + 31) / 32 * 4;
    if (offset > file.size() || stride * rows > file.size() - offset)
        return "";
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x",
                  static_cast<unsigned>(Crc32(0, file.data() + offset, stride * rows)));
    return crc;
}
