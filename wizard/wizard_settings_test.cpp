#include "wizard/wizard_settings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

WizardSettings Read(const std::map<std::wstring, std::wstring>& environment, bool silent = false) {
    return ReadWizardSettings(
        [&](const wchar_t* name) -> std::optional<std::wstring> {
            auto found = environment.find(name);
            if (found == environment.end())
                return std::nullopt;
            return found->second;
        },
        silent);
}

TEST(ReadWizardSettings, DefaultsWithNothingSet) {
    const WizardSettings settings = Read({});
    EXPECT_EQ(0u, settings.exitCode);
    EXPECT_EQ(0u, settings.delayMs);
    EXPECT_EQ(WindowMode::Normal, settings.window);
    EXPECT_EQ(1500u, settings.hiddenMs);
    EXPECT_FALSE(settings.lingerMs);
    EXPECT_FALSE(settings.recordPath);
    EXPECT_TRUE(settings.problems.empty());
}

TEST(ReadWizardSettings, SilentLingersHalfASecondUnlessTold) {
    EXPECT_EQ(std::optional<std::uint32_t>(500), Read({}, true).lingerMs);
    EXPECT_EQ(std::optional<std::uint32_t>(0),
              Read({{L"KITBAG_WIZARD_LINGER_MS", L"0"}}, true).lingerMs);
    EXPECT_EQ(std::optional<std::uint32_t>(2000),
              Read({{L"KITBAG_WIZARD_LINGER_MS", L"2000"}}).lingerMs);
}

TEST(ReadWizardSettings, ReadsEveryVariable) {
    const WizardSettings settings = Read({{L"KITBAG_WIZARD_EXIT_CODE", L"0x80131700"},
                                          {L"KITBAG_WIZARD_DELAY_MS", L"250"},
                                          {L"KITBAG_WIZARD_WINDOW", L"hidden-first"},
                                          {L"KITBAG_WIZARD_HIDDEN_MS", L"0x10"},
                                          {L"KITBAG_WIZARD_LINGER_MS", L"75"},
                                          {L"KITBAG_WIZARD_RECORD", L"C:\\r e c.txt"},
                                          {L"KITBAG_WIZARD_SPAWN_HOLDER", L"3000"}});
    EXPECT_EQ(0x80131700u, settings.exitCode);
    EXPECT_EQ(250u, settings.delayMs);
    EXPECT_EQ(WindowMode::HiddenFirst, settings.window);
    EXPECT_EQ(16u, settings.hiddenMs);
    EXPECT_EQ(std::optional<std::uint32_t>(75), settings.lingerMs);
    EXPECT_EQ(std::optional<std::wstring>(L"C:\\r e c.txt"), settings.recordPath);
    EXPECT_EQ(std::optional<std::uint32_t>(3000), settings.spawnHolderMs);
    EXPECT_TRUE(settings.problems.empty());
}

TEST(ReadWizardSettings, ReadsTheFull32BitExitCodeInDecimalToo) {
    EXPECT_EQ(0x80131700u, Read({{L"KITBAG_WIZARD_EXIT_CODE", L"2148734720"}}).exitCode);
    EXPECT_EQ(0xFFFFFFFFu, Read({{L"KITBAG_WIZARD_EXIT_CODE", L"4294967295"}}).exitCode);
}

TEST(ReadWizardSettings, MatchesWindowModesInAnyCase) {
    EXPECT_EQ(WindowMode::None, Read({{L"KITBAG_WIZARD_WINDOW", L"NONE"}}).window);
    EXPECT_EQ(WindowMode::Normal, Read({{L"KITBAG_WIZARD_WINDOW", L"Normal"}}).window);
    EXPECT_EQ(WindowMode::HiddenFirst, Read({{L"KITBAG_WIZARD_WINDOW", L"Hidden-First"}}).window);
}

TEST(ReadWizardSettings, TreatsEmptyValuesAsUnset) {
    const WizardSettings settings = Read({{L"KITBAG_WIZARD_EXIT_CODE", L""},
                                          {L"KITBAG_WIZARD_WINDOW", L""},
                                          {L"KITBAG_WIZARD_LINGER_MS", L""},
                                          {L"KITBAG_WIZARD_RECORD", L""}},
                                         true);
    EXPECT_EQ(0u, settings.exitCode);
    EXPECT_EQ(WindowMode::Normal, settings.window);
    EXPECT_EQ(std::optional<std::uint32_t>(500), settings.lingerMs);
    EXPECT_FALSE(settings.recordPath);
    EXPECT_TRUE(settings.problems.empty());
}

TEST(ReadWizardSettings, KeepsDefaultsForUnreadableValuesAndSaysWhich) {
    const WizardSettings settings = Read({{L"KITBAG_WIZARD_EXIT_CODE", L"-1"},
                                          {L"KITBAG_WIZARD_DELAY_MS", L"4294967296"},
                                          {L"KITBAG_WIZARD_WINDOW", L"hidden"},
                                          {L"KITBAG_WIZARD_LINGER_MS", L"soon"}},
                                         true);
    EXPECT_EQ(0u, settings.exitCode);
    EXPECT_EQ(0u, settings.delayMs);
    EXPECT_EQ(WindowMode::Normal, settings.window);
    EXPECT_EQ(std::optional<std::uint32_t>(500), settings.lingerMs);
    ASSERT_EQ(4u, settings.problems.size());
    EXPECT_NE(std::wstring::npos, settings.problems[0].find(L"KITBAG_WIZARD_EXIT_CODE='-1'"));
    EXPECT_NE(std::wstring::npos,
              settings.problems[1].find(L"KITBAG_WIZARD_DELAY_MS='4294967296'"));
    EXPECT_NE(std::wstring::npos, settings.problems[2].find(L"KITBAG_WIZARD_WINDOW='hidden'"));
    EXPECT_NE(std::wstring::npos, settings.problems[3].find(L"KITBAG_WIZARD_LINGER_MS='soon'"));
}

} // namespace
