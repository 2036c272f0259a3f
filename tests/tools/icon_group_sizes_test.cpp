#include "tests/tools/icon_group_sizes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<unsigned char> Directory(std::uint16_t type, std::uint16_t count,
                                     const std::vector<std::pair<int, int>>& entries) {
    std::vector<unsigned char> bytes = {0,
                                        0,
                                        static_cast<unsigned char>(type),
                                        static_cast<unsigned char>(type >> 8),
                                        static_cast<unsigned char>(count),
                                        static_cast<unsigned char>(count >> 8)};
    for (const auto& entry : entries) {
        const unsigned char rest[12] = {0, 0, 1, 0, 32, 0, 0x10, 0x27, 0, 0, 1, 0};
        bytes.push_back(static_cast<unsigned char>(entry.first));
        bytes.push_back(static_cast<unsigned char>(entry.second));
        bytes.insert(bytes.end(), rest, rest + sizeof(rest));
    }
    return bytes;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> Pairs(const std::vector<IconSize>& sizes) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    for (const IconSize& size : sizes)
        pairs.emplace_back(size.width, size.height);
    return pairs;
}

TEST(ReadIconGroupSizes, ListsWidthAndHeightInDirectoryOrder) {
    auto bytes = Directory(1, 3, {{16, 16}, {48, 32}, {0, 0}});
    auto sizes = ReadIconGroupSizes(bytes.data(), bytes.size());
    ASSERT_TRUE(sizes);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {16, 16}, {48, 32}, {256, 256}};
    EXPECT_EQ(expected, Pairs(*sizes));
}

TEST(ReadIconGroupSizes, AcceptsAnEmptyDirectory) {
    auto bytes = Directory(1, 0, {});
    auto sizes = ReadIconGroupSizes(bytes.data(), bytes.size());
    ASSERT_TRUE(sizes);
    EXPECT_TRUE(sizes->empty());
}

TEST(ReadIconGroupSizes, RefusesACountTheBytesDoNotHold) {
    auto bytes = Directory(1, 3, {{16, 16}, {32, 32}});
    EXPECT_FALSE(ReadIconGroupSizes(bytes.data(), bytes.size()));
    bytes = Directory(1, 0xFFFF, {{16, 16}});
    EXPECT_FALSE(ReadIconGroupSizes(bytes.data(), bytes.size()));
    bytes = Directory(1, 1, {{16, 16}});
    EXPECT_FALSE(ReadIconGroupSizes(bytes.data(), bytes.size() - 1));
}

TEST(ReadIconGroupSizes, RefusesWhatIsNotAnIconDirectory) {
    auto cursors = Directory(2, 1, {{32, 32}});
    EXPECT_FALSE(ReadIconGroupSizes(cursors.data(), cursors.size()));
    EXPECT_FALSE(ReadIconGroupSizes(cursors.data(), 5));
    EXPECT_FALSE(ReadIconGroupSizes(nullptr, 0));
}

} // namespace
