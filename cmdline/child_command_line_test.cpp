#include "cmdline/command_line_info_ex.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildCommandLine, ComposesTokensInTableOrderEndingWithProgramName) {
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* expected;
    } rows[] = {
        {{}, LR"(BW_I="Roza" )"},
        {{L"log", L"C:\\x.log", L"/IAgreeToTheEULA"},
         LR"(/IAgreeToTheEULA /log "C:\x.log" BW_I="Roza" )"},
        {{L"x", L"/keep", L"zeroguid", L"-dontrun"}, LR"(zeroguid x /keep /dontrun BW_I="Roza" )"},
        {{L"temp", L"\\"}, LR"(/temp "\\" BW_I="Roza" )"},
        {{L"temp", L"a\"b\\\\"}, LR"(/temp "a\"b\\\\" BW_I="Roza" )"},
        {{L"temp", L"a\\\"b"}, LR"(/temp "a\\\"b" BW_I="Roza" )"},
        {{L"temp", L"C:\\"}, LR"(/temp "C:\\" BW_I="Roza" )"},
        {{L"temp", L"C:\\a b\\"}, LR"(/temp "C:\a b\\" BW_I="Roza" )"},
        {{L"a b"}, LR"(a b BW_I="Roza" )"},
        {{L"a\"b"}, LR"("a\"b" BW_I="Roza" )"}, // bare, the quote would swallow the token
        {{L"x\" /y"}, LR"("x\" /y" BW_I="Roza" )"},
        {{L"/a\"b"}, LR"("/a\"b" BW_I="Roza" )"}, // a switch name with a quote, too
        {{L"/a\"b", L"v"}, LR"("/a\"b" v BW_I="Roza" )"},
        {{L"/keep", L"/keep"}, LR"(/keep BW_I="Roza" )"},
        {{L"log", L"a", L"log", L"b"}, LR"(/log "b" BW_I="Roza" )"},
        {{L"temp", L"true"}, LR"(/temp BW_I="Roza" )"}, // a value spelled TRUE reads as a switch
    };
    for (const auto& row : rows) {
        CCommandLineInfoEx info;
        ParseCommandLine(row.args, info);
        std::wstring params = L"stale ";
        info.BuildChildCommandLine(L"Roza", params);
        EXPECT_EQ(row.expected, params) << "row " << (&row - rows);
    }
}

TEST(ChildCommandLine, ProgramNameIsQuotedToReachTheWizardWhole) {
    CCommandLineInfoEx info;
    std::wstring params;
    info.BuildChildCommandLine(L"Say \"hi\" \\", params);
    EXPECT_EQ(params, LR"(BW_I="Say \"hi\" \\" )");
}

} // namespace
