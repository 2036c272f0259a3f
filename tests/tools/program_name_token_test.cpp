#include "tests/tools/program_name_token.h"

#include <gtest/gtest.h>

namespace {

TEST(AfterProgramName, SkipsAnUnquotedName) {
    EXPECT_EQ(L"/a \"b c\"", AfterProgramName(L"runexit.exe /a \"b c\""));
    EXPECT_EQ(L"x", AfterProgramName(L"runexit.exe \t  x"));
    EXPECT_EQ(L"", AfterProgramName(L"runexit.exe"));
    EXPECT_EQ(L"", AfterProgramName(L"runexit.exe   "));
    EXPECT_EQ(L"", AfterProgramName(L""));
}

TEST(AfterProgramName, SkipsAQuotedNameWithSpaces) {
    EXPECT_EQ(L"\"C:\\a b\\w.exe\" /log \"x y\"",
              AfterProgramName(L"\"C:\\tools dir\\runexit.exe\" \"C:\\a b\\w.exe\" /log \"x y\""));
    EXPECT_EQ(L"", AfterProgramName(L"\"C:\\tools dir\\runexit.exe\""));
}

TEST(AfterProgramName, KeepsTheRestVerbatim) {
    // Backslashes before quotes and doubled spaces in the rest are not touched.
    EXPECT_EQ(L"a  \"C:\\\\\"  b ", AfterProgramName(L"r.exe a  \"C:\\\\\"  b "));
}

TEST(AfterProgramName, TreatsTextGluedToQuotesAsPartOfTheName) {
    EXPECT_EQ(L"next", AfterProgramName(L"\"C:\\x y\"z.exe next"));
    EXPECT_EQ(L"next", AfterProgramName(L"C:\\\"x y\"\\r.exe next"));
    EXPECT_EQ(L"", AfterProgramName(L"\"unterminated name with spaces"));
}

} // namespace
