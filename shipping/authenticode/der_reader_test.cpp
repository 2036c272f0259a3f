#include "shipping/authenticode/der_reader.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

TEST(DerReader, LengthsAndElements) {
    const std::pair<std::size_t, Bytes> lengths[] = {{0, {0x00}},
                                                     {127, {0x7F}},
                                                     {128, {0x81, 0x80}},
                                                     {255, {0x81, 0xFF}},
                                                     {256, {0x82, 0x01, 0x00}},
                                                     {65536, {0x83, 0x01, 0x00, 0x00}}};
    for (const auto& [length, encoded] : lengths)
        EXPECT_EQ(DerLength(length), encoded) << length;
    DerElement e;
    Bytes ok = {0x30, 0x82, 0x00, 0x02, 0xAA, 0xBB, 0xFF};
    ASSERT_TRUE(ReadDerElement(ok, 0, ok.size(), e));
    EXPECT_EQ(e.contentStart, 4u);
    EXPECT_EQ(e.end, 6u);
    for (const Bytes& bad : {Bytes{0x30, 0x80, 0x00, 0x00}, Bytes{0x30, 0x03, 0x00},
                             Bytes{0x1F, 0x01, 0x00}, Bytes{0x30, 0x85, 1, 0, 0, 0, 0}})
        EXPECT_FALSE(ReadDerElement(bad, 0, bad.size(), e));
}

} // namespace
} // namespace kitbag
