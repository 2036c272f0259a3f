#include "framework/decimal.h"

#include <gtest/gtest.h>

namespace {

// Only ASCII digits count; out-of-range values saturate.
TEST(ReadDecimal32, ReadsLikeBase10WcstolOnA32BitLong) {
    const struct {
        const wchar_t* text;
        std::int32_t expected;
    } rows[] = {{L"", 0},
                {L"abc", 0},
                {L"-", 0},
                {L"+-5", 0},
                {L"- 5", 0},
                {L" 1a", 1},
                {L"\t\n\v\f\r 42", 42},
                {L"+0012", 12},
                {L"-17x9", -17},
                {L"2147483647", INT32_MAX},
                {L"2147483648", INT32_MAX},
                {L"99999999999999999999999999999", INT32_MAX},
                {L"-2147483648", INT32_MIN},
                {L"-99999999999", INT32_MIN},
                {L"\x0661", 0}};
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, ReadDecimal32(row.text)) << "row " << (&row - rows);
}

} // namespace
