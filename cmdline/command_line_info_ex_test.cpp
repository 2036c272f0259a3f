#include "cmdline/command_line_info_ex.h"

#include <gtest/gtest.h>

namespace {

TEST(EqualsNoCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsNoCase(L"TRUE", L"true"));
    EXPECT_FALSE(EqualsNoCase(L"TRUE", L"TRUEX"));
    EXPECT_FALSE(EqualsNoCase(L"[", L"{")); // differ only by the case bit, but are not letters
    EXPECT_FALSE(EqualsNoCase(L"\u00e9", L"\u00c9"));
}

CCommandLineInfoEx Parse(const std::vector<std::wstring>& args) {
    CCommandLineInfoEx info;
    ParseCommandLine(args, info);
    return info;
}

// A waiting word is dropped by another value-taking word or a switch; "-" marks an absent name.
TEST(CommandLineInfoEx, ValueTakingWordsPairWithTheFollowingParameter) {
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* name;
        const wchar_t* expected;
    } rows[] = {{{L"", L"LOG", L"x"}, L"LOG", L"x"},       {{L"x", L"log"}, L"log", L""},
                {{L"log", L"temp", L"x"}, L"temp", L"x"},  {{L"log", L"temp", L"x"}, L"log", L"-"},
                {{L"log", L"/keep", L"x"}, L"log", L"-"},  {{L"log", L"/keep", L"x"}, L"x", L""},
                {{L"extract", L"log"}, L"extract", L"log"}};
    for (const auto& row : rows) {
        std::wstring value = L"stale";
        bool found = Parse(row.args).GetOption(row.name, value);
        EXPECT_EQ(row.expected, found ? value : L"-" + value) << "row " << (&row - rows);
    }
}

TEST(CommandLineInfoEx, SwitchTrueNeedsBothTheSwitchAndATrueValue) {
    EXPECT_TRUE(Parse({L"temp", L"True"}).IsOptionTrue(L"temp"));
    EXPECT_FALSE(Parse({L"temp", L"True"}).IsSwitchTrue(L"temp"));
    EXPECT_FALSE(Parse({L"/log", L"log", L"x"}).IsSwitchTrue(L"log"));

    CCommandLineInfoEx info = Parse({L"log", L"x", L"-log"});
    EXPECT_TRUE(info.IsSwitchTrue(L"log"));
    EXPECT_FALSE(info.IsSwitchTrue(L"LOG"));
    info.SetOption(L"log", L"tRuE");
    EXPECT_TRUE(info.IsSwitchTrue(L"log"));
    info.RemoveOption(L"log");
    EXPECT_FALSE(info.IsSwitchTrue(L"log"));
}

} // namespace
