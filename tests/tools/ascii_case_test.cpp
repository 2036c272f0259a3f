#include "tests/tools/ascii_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(EqualIgnoringAsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(EqualIgnoringAsciiCase(L"/IAgreeToTheEULA", L"/iagreetotheeula"));
    EXPECT_TRUE(EqualIgnoringAsciiCase(L"Hidden-First", L"hidden-first"));
    EXPECT_TRUE(EqualIgnoringAsciiCase(L"", L""));
    EXPECT_FALSE(EqualIgnoringAsciiCase(L"/log", L"/logs"));
    EXPECT_FALSE(EqualIgnoringAsciiCase(L"/log", L"/lo"));
    EXPECT_FALSE(EqualIgnoringAsciiCase(L"[", L"{")); // '[' + 32 is '{', not a letter pair
    EXPECT_FALSE(EqualIgnoringAsciiCase(L"\u00C9", L"\u00E9"));
}

TEST(LessIgnoringAsciiCase, SortsLikeAFileListAndStaysATotalOrder) {
    std::vector<std::wstring> names = {
        L"c.txt", L"Brasswick.Hopwell.UI.exe", L"b data.txt", L"A folder", L"a folder", L"B"};
    std::sort(names.begin(), names.end(), LessIgnoringAsciiCase);
    const std::vector<std::wstring> expected = {
        L"A folder", L"a folder", L"B", L"b data.txt", L"Brasswick.Hopwell.UI.exe", L"c.txt"};
    EXPECT_EQ(expected, names);

    EXPECT_FALSE(LessIgnoringAsciiCase(L"same", L"same"));
    EXPECT_TRUE(LessIgnoringAsciiCase(L"ABC", L"abc"));
    EXPECT_FALSE(LessIgnoringAsciiCase(L"abc", L"ABC"));
    EXPECT_TRUE(LessIgnoringAsciiCase(L"ab", L"ABC"));
}

} // namespace
