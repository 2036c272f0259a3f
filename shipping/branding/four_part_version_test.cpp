#include "shipping/branding/four_part_version.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

TEST(FourPartVersion, ExactlyFourDecimalNumbersUpTo65535) {
    const struct {
        const char* text;
        FourPartVersion version; // when reason is null
        const char* reason;
    } rows[] = {
        {"1.8.2.358", {1, 8, 2, 358}, nullptr},
        {"0.0.0.0", {0, 0, 0, 0}, nullptr},
        {"65535.65535.65535.65535", {65535, 65535, 65535, 65535}, nullptr},
        {"007.1.2.3", {7, 1, 2, 3}, nullptr},
        {"", {}, "fewer than four parts"},
        {"1.2.3", {}, "fewer than four parts"},
        {"1.2.3.4.5", {}, "more than four parts"},
        {"1..3.4", {}, "part 2 of the version '1..3.4' is empty"},
        {"1.2.3.", {}, "part 4 of the version '1.2.3.' is empty"},
        {"+1.2.3.4", {}, "part 1 of the version '+1.2.3.4' is not a decimal number"},
        {"1.-2.3.4", {}, "not a decimal number"},
        {" 1.2.3.4", {}, "not a decimal number"},
        {"1.2.3.4 ", {}, "not a decimal number"},
        {"1.2.0x3.4", {}, "not a decimal number"},
        {"1.2.3.65536", {}, "part 4 of the version '1.2.3.65536' is larger than 65535"},
        {"99999999999999999999999.1.1.1", {}, "larger than 65535"},
    };
    for (const auto& row : rows) {
        FourPartVersion version{9, 9, 9, 9};
        std::string error;
        EXPECT_EQ(ParseFourPartVersion(row.text, version, error), row.reason == nullptr)
            << row.text << ": " << error;
        if (row.reason) {
            EXPECT_NE(error.find(row.reason), std::string::npos) << row.text << ": " << error;
            EXPECT_EQ(version, (FourPartVersion{9, 9, 9, 9})) << row.text;
        } else {
            EXPECT_EQ(version, row.version) << row.text;
        }
    }
    EXPECT_EQ(FormatFourPartVersion({1, 0, 65535, 20}), "1.0.65535.20");
}

} // namespace
} // namespace kitbag
