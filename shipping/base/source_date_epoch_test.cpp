#include "shipping/base/source_date_epoch.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kitbag;

TEST(SourceDateEpoch, WholeSecondsThatFitAPeHeaderOrARefusal) {
    const auto read = [](const char* value) {
        value ? setenv("SOURCE_DATE_EPOCH", value, 1) : unsetenv("SOURCE_DATE_EPOCH");
        std::optional<std::uint32_t> seconds;
        std::string error;
        const bool ok = ReadSourceDateEpoch(seconds, error);
        unsetenv("SOURCE_DATE_EPOCH");
        return ok ? (seconds ? std::to_string(*seconds) : "unset") : "refused: " + error;
    };
    EXPECT_EQ(read(nullptr), "unset");
    EXPECT_EQ(read(""), "unset");
    EXPECT_EQ(read("0"), "0");
    EXPECT_EQ(read("1700000000"), "1700000000");
    EXPECT_EQ(read("4294967295"), "4294967295");
    for (const char* bad : {"-1", "17e8", " 1700000000", "4294967296", "99999999999999999999"})
        EXPECT_EQ(read(bad).rfind("refused: SOURCE_DATE_EPOCH is '", 0), 0u) << bad;
}
