#include "tests/tools/line_escape.h"

#include <gtest/gtest.h>

namespace {

TEST(EscapeForLine, EscapesWhatWouldBreakTheLineAndTheBackslash) {
    EXPECT_EQ(L"a\\nb\\rc\\td", EscapeForLine(L"a\nb\rc\td"));
    EXPECT_EQ(L"C:\\\\dir\\\\", EscapeForLine(L"C:\\dir\\"));
    EXPECT_EQ(L"\\x00\\x1F\\x07", EscapeForLine(std::wstring(L"\0\x1F\a", 3)));
}

TEST(EscapeForLine, KeepsEverythingElse) {
    EXPECT_EQ(L"", EscapeForLine(L""));
    EXPECT_EQ(L"Program Name \"quoted\" caf\u00E9 \u4E2D",
              EscapeForLine(L"Program Name \"quoted\" caf\u00E9 \u4E2D"));
    EXPECT_EQ(L" ~\x7F", EscapeForLine(L" ~\x7F"));
}

} // namespace
