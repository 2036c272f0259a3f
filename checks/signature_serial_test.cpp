#include "checks/signature_serial.h"

#include <gtest/gtest.h>

namespace {

TEST(SerialNumberText, MostSignificantByteFirstInUpperCaseHex) {
    const std::uint8_t serial[] = {0xEF, 0x0d, 0xA0, 0x09, 0x00}; // a sign byte is kept
    EXPECT_EQ(L"0009A00DEF", SerialNumberText(serial, sizeof serial));
    EXPECT_EQ(L"", SerialNumberText(serial, 0));
    EXPECT_EQ(L"null", SerialNumberText(nullptr, 8));
}

} // namespace
