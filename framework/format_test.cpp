#include "framework/format.h"

#include <gtest/gtest.h>

namespace {

// Only the low 32 bits of a number count; a precision turns zero padding off.
TEST(Format, NumbersFollowConversionFlagsWidthAndPrecision) {
    const struct {
        const wchar_t* format;
        long long value;
        const wchar_t* expected;
    } rows[] = {{L"%d", -5, L"-5"},
                {L"%ld", INT32_MIN, L"-2147483648"},
                {L"%i", 0x100000005LL, L"5"},
                {L"%u", -1, L"4294967295"},
                {L"%8x", 1, L"       1"},
                {L"%08x", 0xBEEF, L"0000beef"},
                {L"%#010X", 255, L"0X000000FF"},
                {L"%#x", 0, L"0"},
                {L"%+d", 5, L"+5"},
                {L"% d", 5, L" 5"},
                {L"%05d", -42, L"-0042"},
                {L"%-05d|", -42, L"-42  |"},
                {L"%06.3d", 7, L"   007"},
                {L"%.0d", 0, L""},
                {L"%p", 0xABC, L"00000ABC"}};
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, Format(row.format, row.value)) << "row " << (&row - rows);
}

TEST(Format, StringsAndOddFormatsAreHandledWithoutConsumingWrongly) {
    EXPECT_EQ(L"  abc|abc  |ab|  abc",
              Format(L"%5s|%-5s|%.2s|%05s", L"abc", std::wstring(L"abc"), L"abc", L"abc"));
    EXPECT_EQ(L"(null) is 5%", Format(L"%s is %d%%", static_cast<const wchar_t*>(nullptr), 5));
    EXPECT_EQ(L"|0|0|00000000", Format(L"%s|%d|%x|%p"));
    EXPECT_EQ(L"0|", Format(L"%d|%s", L"text", 5));
    // Unknown conversions take no argument; an unfinished one at the end is kept.
    EXPECT_EQ(L"%q %-5c 5|%5.2l", Format(L"%q %-5c %d|%5.2l", 5));
    EXPECT_EQ(L"50%", Format(L"50%"));
    EXPECT_EQ(L"", FormatList(nullptr, {}));
}

TEST(Format, HugeWidthsAndPrecisionsAreClamped) {
    std::wstring wide = Format(L"%99999999999999999999999d", 1);
    EXPECT_EQ(4096u, wide.size());
    EXPECT_EQ(L'1', wide.back());
    EXPECT_EQ(std::wstring(4096, L'0'), Format(L"%.99999999999999999999x", 0));
    EXPECT_EQ(L"abc", Format(L"%.99999999999999999s", L"abc"));
}

} // namespace
