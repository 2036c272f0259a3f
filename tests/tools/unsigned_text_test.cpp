#include "tests/tools/unsigned_text.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t Parsed(const std::wstring& text) {
    std::uint32_t value = 12345;
    EXPECT_TRUE(ParseUnsigned32(text, value)) << "for " << std::string(text.begin(), text.end());
    return value;
}

bool Rejects(const std::wstring& text) {
    std::uint32_t value = 12345;
    const bool accepted = ParseUnsigned32(text, value);
    return !accepted && value == 12345;
}

TEST(ParseUnsigned32, ReadsDecimalAndHexadecimalAcrossTheFullRange) {
    EXPECT_EQ(0u, Parsed(L"0"));
    EXPECT_EQ(5u, Parsed(L"5"));
    EXPECT_EQ(7u, Parsed(L"007"));
    EXPECT_EQ(4294967295u, Parsed(L"4294967295"));
    EXPECT_EQ(0x80131700u, Parsed(L"0x80131700"));
    EXPECT_EQ(0xABCDEFu, Parsed(L"0XabcDEF"));
    EXPECT_EQ(0xFFFFFFFFu, Parsed(L"0xFFFFFFFF"));
    EXPECT_EQ(0u, Parsed(L"0x0"));
}

TEST(ParseUnsigned32, RejectsValuesBeyond32BitsWithoutWrapping) {
    EXPECT_TRUE(Rejects(L"4294967296"));
    EXPECT_TRUE(Rejects(L"99999999999999999999"));
    EXPECT_TRUE(Rejects(L"0x100000000"));
}

TEST(ParseUnsigned32, RejectsAnythingButDigits) {
    EXPECT_TRUE(Rejects(L""));
    EXPECT_TRUE(Rejects(L"0x"));
    EXPECT_TRUE(Rejects(L"-1"));
    EXPECT_TRUE(Rejects(L"+1"));
    EXPECT_TRUE(Rejects(L" 1"));
    EXPECT_TRUE(Rejects(L"1 "));
    EXPECT_TRUE(Rejects(L"12ms"));
    EXPECT_TRUE(Rejects(L"1f")); // hexadecimal digits need the 0x
    EXPECT_TRUE(Rejects(L"0x12g"));
    EXPECT_TRUE(Rejects(L"x12"));
}

TEST(Hex32, WritesEightUpperCaseDigits) {
    EXPECT_EQ(L"0x00000000", Hex32(0));
    EXPECT_EQ(L"0x00000005", Hex32(5));
    EXPECT_EQ(L"0x80131700", Hex32(0x80131700u));
    EXPECT_EQ(L"0xFFFFFFFF", Hex32(0xFFFFFFFFu));
    EXPECT_EQ(L"0x00ABCDEF", Hex32(0xABCDEFu));
}

} // namespace
