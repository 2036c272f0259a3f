#include "checks/signature_program_name.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// SEQUENCE { [0] { <name> }, [1] { [0] "https://x" } }: an opus value with a more-info link.
Bytes Opus(const Bytes& name) {
    Bytes link = {0xA1, 0x0B, 0x80, 0x09, 'h', 't', 't', 'p', 's', ':', '/', '/', 'x'};
    Bytes field = {0xA0, static_cast<std::uint8_t>(name.size())};
    field.insert(field.end(), name.begin(), name.end());
    Bytes all = {0x30, static_cast<std::uint8_t>(field.size() + link.size())};
    all.insert(all.end(), field.begin(), field.end());
    all.insert(all.end(), link.begin(), link.end());
    return all;
}

std::optional<std::wstring> Read(const Bytes& der) {
    return AsciiProgramName(der.data(), der.size());
}

TEST(AsciiProgramName, ReadsOnlyTheAsciiForm) {
    EXPECT_EQ(L"Kit bag", Read(Opus({0x81, 0x07, 'K', 'i', 't', ' ', 'b', 'a', 'g'})));
    EXPECT_EQ(L"", Read(Opus({0x81, 0x00})));
    EXPECT_EQ(std::nullopt, Read(Opus({0x80, 0x04, 0x00, 'K', 0x00, 'b'}))) << "Unicode form";
    // No program name: the value starts with the more-info link.
    EXPECT_EQ(std::nullopt, Read({0x30, 0x0D, 0xA1, 0x0B, 0x80, 0x09, 'h', 't', 't', 'p', 's', ':',
                                  '/', '/', 'x'}));
    EXPECT_EQ(std::nullopt, Read({0x30, 0x00}));
    EXPECT_EQ(std::nullopt, AsciiProgramName(nullptr, 0));
}

TEST(AsciiProgramName, LongFormLengths) {
    Bytes name = {0x81, 0x82, 0x01, 0x2C};
    name.insert(name.end(), 300, 'n');
    Bytes field = {0xA0, 0x82, 0x01, 0x30};
    field.insert(field.end(), name.begin(), name.end());
    Bytes der = {0x30, 0x82, 0x01, 0x34};
    der.insert(der.end(), field.begin(), field.end());
    EXPECT_EQ(std::wstring(300, L'n'), Read(der));
}

TEST(AsciiProgramName, LengthsThatOverrunTheBytesAreRejected) {
    const Bytes rows[] = {
        {0x30, 0x05, 0xA0, 0x03, 0x81, 0x05, 'a'},        // name longer than its field
        {0x30, 0x09, 0xA0, 0x03, 0x81, 0x01, 'a'},        // sequence longer than the bytes
        {0x30, 0x06, 0xA0, 0x04, 0x81, 0x84, 0xFF, 0xFF}, // four length bytes cut short
        {0x30, 0x80, 0xA0, 0x03, 0x81, 0x01, 'a', 0, 0},  // indefinite length
        {0x30},
        {0x1F, 0x01, 0x00},
    };
    for (const auto& der : rows) {
        EXPECT_EQ(std::nullopt, Read(der)) << ::testing::PrintToString(der);
        // Every prefix is malformed too, and none may be read past its end.
        for (std::size_t n = 0; n < der.size(); ++n)
            EXPECT_EQ(std::nullopt,
                      AsciiProgramName(Bytes(der.begin(), der.begin() + n).data(), n));
    }
}

} // namespace
