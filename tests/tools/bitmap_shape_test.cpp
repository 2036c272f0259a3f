#include "tests/tools/bitmap_shape.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void PutLe(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::vector<unsigned char> InfoHeader(std::uint32_t size, std::int32_t width, std::int32_t height,
                                      int bits) {
    std::vector<unsigned char> bytes(size + 16, 0xCC);
    PutLe(bytes, 0, size, 4);
    PutLe(bytes, 4, static_cast<std::uint32_t>(width), 4);
    PutLe(bytes, 8, static_cast<std::uint32_t>(height), 4);
    PutLe(bytes, 12, 1, 2);
    PutLe(bytes, 14, static_cast<std::uint32_t>(bits), 2);
    return bytes;
}

TEST(ReadBitmapShape, ReadsTheInfoHeaderAndItsSuccessors) {
    for (std::uint32_t headerSize : {40u, 108u, 124u}) {
        auto bytes = InfoHeader(headerSize, 164, 314, 24);
        auto shape = ReadBitmapShape(bytes.data(), bytes.size());
        ASSERT_TRUE(shape) << headerSize;
        EXPECT_EQ(164u, shape->width);
        EXPECT_EQ(314u, shape->height);
        EXPECT_EQ(24u, shape->bitsPerPixel);
    }
}

TEST(ReadBitmapShape, GivesTheHeightOfATopDownBitmapAsPositive) {
    auto bytes = InfoHeader(40, 55, -58, 8);
    auto shape = ReadBitmapShape(bytes.data(), bytes.size());
    ASSERT_TRUE(shape);
    EXPECT_EQ(58u, shape->height);

    bytes = InfoHeader(40, 1, INT32_MIN, 8);
    shape = ReadBitmapShape(bytes.data(), bytes.size());
    ASSERT_TRUE(shape);
    EXPECT_EQ(0x80000000u, shape->height);
}

TEST(ReadBitmapShape, ReadsTheOldCoreHeader) {
    std::vector<unsigned char> bytes(12);
    PutLe(bytes, 0, 12, 4);
    PutLe(bytes, 4, 7, 2);
    PutLe(bytes, 6, 5, 2);
    PutLe(bytes, 8, 1, 2);
    PutLe(bytes, 10, 4, 2);
    auto shape = ReadBitmapShape(bytes.data(), bytes.size());
    ASSERT_TRUE(shape);
    EXPECT_EQ(7u, shape->width);
    EXPECT_EQ(5u, shape->height);
    EXPECT_EQ(4u, shape->bitsPerPixel);
}

TEST(ReadBitmapShape, RefusesDataShorterThanItsHeader) {
    auto bytes = InfoHeader(40, 10, 10, 8);
    EXPECT_FALSE(ReadBitmapShape(bytes.data(), 39));
    EXPECT_FALSE(ReadBitmapShape(bytes.data(), 3));
    EXPECT_FALSE(ReadBitmapShape(nullptr, 0));
    bytes = InfoHeader(124, 10, 10, 8);
    EXPECT_FALSE(ReadBitmapShape(bytes.data(), 100)); // announces 124 bytes
    std::vector<unsigned char> core(11);
    PutLe(core, 0, 12, 4);
    EXPECT_FALSE(ReadBitmapShape(core.data(), core.size()));
}

TEST(ReadBitmapShape, RefusesUnknownHeaderSizes) {
    auto bytes = InfoHeader(40, 10, 10, 8);
    PutLe(bytes, 0, 20, 4);
    EXPECT_FALSE(ReadBitmapShape(bytes.data(), bytes.size()));
    PutLe(bytes, 0, 0xFFFFFFFFu, 4);
    EXPECT_FALSE(ReadBitmapShape(bytes.data(), bytes.size()));
}

} // namespace
