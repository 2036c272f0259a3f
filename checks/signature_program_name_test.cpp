#include "checks/signature_program_name.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<std::wstring> Read(const Bytes& der) {
    return AsciiProgramName(der.data(), der.size());
}

TEST(AsciiProgramName, ReadsOnlyTheAsciiForm) {
    // SEQUENCE { [0] { [1] "Kit bag" }, [1] { [0] "x" } }
    EXPECT_EQ(L"Kit bag", Read({0x30, 0x10, 0xA0, 0x09, 0x81, 0x07, 'K', 'i', 't', ' ', 'b', 'a',
                                'g', 0xA1, 0x03, 0x80, 0x01, 'x'}));
    EXPECT_EQ(std::nullopt, Read({0x30, 0x06, 0xA0, 0x04, 0x80, 0x02, 0x00, 'K'})) << "Unicode";
    EXPECT_EQ(std::nullopt, Read({0x30, 0x05, 0xA1, 0x03, 0x80, 0x01, 'x'})) << "no name";
    Bytes longName = {0x30, 0x82, 0x01, 0x34, 0xA0, 0x82, 0x01, 0x30, 0x81, 0x82, 0x01, 0x2C};
    longName.resize(longName.size() + 300, 'n');
    EXPECT_EQ(std::wstring(300, L'n'), Read(longName));
}

TEST(AsciiProgramName, LengthsThatOverrunTheBytesAreRejected) {
    const Bytes rows[] = {
        {0x30, 0x05, 0xA0, 0x03, 0x81, 0x05, 'a'},        // name longer than its field
        {0x30, 0x09, 0xA0, 0x03, 0x81, 0x01, 'a'},        // sequence longer than the bytes
        {0x30, 0x06, 0xA0, 0x04, 0x81, 0x84, 0xFF, 0xFF}, // length bytes cut short
        {0x30, 0x80, 0xA0, 0x03, 0x81, 0x01, 'a', 0, 0},  // indefinite length
    };
    for (const auto& der : rows) {
        // Every prefix is malformed too; none may be read past its end.
        for (std::size_t n = 0; n <= der.size(); ++n)
            EXPECT_EQ(std::nullopt, Read(Bytes(der.begin(), der.begin() + n))) << n;
    }
}

} // namespace
