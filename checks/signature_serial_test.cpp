#include "checks/signature_serial.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SerialNumberText, MostSignificantByteFirstInUpperCaseHex) {
    const struct {
        std::vector<std::uint8_t> bytes;
        const wchar_t* text;
    } rows[] = {
        {{0x01}, L"01"},
        {{0x00}, L"00"},
        {{0xEF, 0xCD, 0xAB, 0x09, 0x00}, L"0009ABCDEF"}, // a sign byte is kept
        {{0x0F, 0xF0, 0x5a}, L"5AF00F"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.text, SerialNumberText(row.bytes.data(), row.bytes.size()));
}

TEST(SerialNumberText, MissingOrEmptySerial) {
    EXPECT_EQ(L"null", SerialNumberText(nullptr, 0));
    EXPECT_EQ(L"null", SerialNumberText(nullptr, 8));
    const std::uint8_t none[1] = {0x42};
    EXPECT_EQ(L"", SerialNumberText(none, 0));
}

} // namespace
