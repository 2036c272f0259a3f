#include "wizard/wizard_arguments.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::wstring> kBootstrapperStyle = {L"C:\\work\\Brasswick.Hopwell.UI.exe",
                                                      L"/IAgreeToTheEULA",
                                                      L"/log",
                                                      L"C:\\some dir\\x.log",
                                                      L"somePlainWord",
                                                      L"BW_I=Program Name"};

TEST(LogPathArgument, IsTheArgumentAfterLogInAnyCase) {
    EXPECT_EQ(L"C:\\some dir\\x.log", LogPathArgument(kBootstrapperStyle));
    EXPECT_EQ(L"x.log", LogPathArgument({L"w.exe", L"/LOG", L"x.log"}));
    EXPECT_EQ(L"first.log",
              LogPathArgument({L"w.exe", L"/Log", L"first.log", L"/log", L"second.log"}));
    EXPECT_EQ(L"", LogPathArgument({L"w.exe", L"/log", L""}));
}

TEST(LogPathArgument, IsMissingWithoutAValue) {
    EXPECT_FALSE(LogPathArgument({}));
    EXPECT_FALSE(LogPathArgument({L"w.exe"}));
    EXPECT_FALSE(LogPathArgument({L"w.exe", L"/log"}));
    EXPECT_FALSE(LogPathArgument({L"w.exe", L"/logfile", L"x.log"}));
    EXPECT_FALSE(LogPathArgument({L"w.exe", L"log", L"x.log"}));
}

TEST(LogPathArgument, NeverTakesTheProgramForTheSwitch) {
    EXPECT_FALSE(LogPathArgument({L"/log", L"x.log"}));
}

TEST(HasSwitch, FindsTheSilentSwitchInAnyCaseButNotInsideOtherArguments) {
    EXPECT_TRUE(HasSwitch(kBootstrapperStyle, L"/IAgreeToTheEULA"));
    EXPECT_TRUE(HasSwitch({L"w.exe", L"/iagreetotheeula"}, L"/IAgreeToTheEULA"));
    EXPECT_FALSE(HasSwitch({L"w.exe", L"/IAgreeToTheEULA2"}, L"/IAgreeToTheEULA"));
    EXPECT_FALSE(HasSwitch({L"w.exe", L"BW_I=/IAgreeToTheEULA"}, L"/IAgreeToTheEULA"));
    EXPECT_FALSE(HasSwitch({L"/IAgreeToTheEULA"}, L"/IAgreeToTheEULA"));
    EXPECT_FALSE(HasSwitch({}, L"/IAgreeToTheEULA"));
}

} // namespace
