#include "cmdline/command_line_settings.h"
#include "log/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const ResultCode kBad = static_cast<ResultCode>(0x80030057);
const std::wstring kUserTemp = L"C:\\users\\me\\Temp\\";

struct FakeHost : CommandLineHost {
    bool admin = false;
    std::wstring drive = L"E:";
    std::map<std::wstring, std::wstring> full; // an empty mapping: the system refuses
    bool IsAdminInstall() const override { return admin; }
    std::wstring SystemDrive() const override { return drive; }
    std::wstring TempPath() const override { return kUserTemp; }
    bool FullPath(const std::wstring& value, std::wstring& out) const override {
        auto it = full.find(value);
        out = it == full.end() ? L"D:\\cwd\\" + value : it->second;
        return out != L"";
    }
};

class ApplyCommandLineTest : public ::testing::Test {
protected:
    static std::string TempFile(const std::string& name) {
        return testing::TempDir() + "kitbag_" + name;
    }
    static std::wstring Wide(const std::string& s) { return {s.begin(), s.end()}; }
    void SetUp() override { ResetLog(); }
    void TearDown() override { CloseLog(); }
    // Opening a file is the only way to drop what was held before.
    static void ResetLog() {
        OpenLog(TempFile("drain.log"));
        CloseLog();
        std::filesystem::remove(TempFile("drain.log"));
    }
    ResultCode Apply(const std::vector<std::wstring>& args) {
        return ApplyCommandLine(args, L"Roza", host, settings);
    }
    static std::size_t HeldCount(const std::wstring& line) {
        std::wstring held = TheLog().HeldText();
        std::size_t n = 0;
        for (auto at = held.find(line); at != std::wstring::npos; at = held.find(line, at + 1))
            ++n;
        return n;
    }

    FakeHost host;
    CommandLineSettings settings;
};

TEST_F(ApplyCommandLineTest, TempFolderDependsOnInstallKindAndIsLoggedLast) {
    const std::tuple<bool, const wchar_t*, std::wstring> rows[] = {
        {true, L"C:", L"C:"}, {true, L"", L"C:\\"}, {false, L"E:", kUserTemp}};
    for (const auto& [admin, drive, expected] : rows) {
        host.admin = admin;
        host.drive = drive;
        EXPECT_EQ(0, Apply({}));
        EXPECT_EQ(expected, settings.tempFolder);
    }
    EXPECT_EQ(L"Command line params BW_I=\"Roza\" \nTemp folder '" + kUserTemp + L"'\n",
              TheLog().HeldText().substr(TheLog().HeldText().rfind(L"Command")));
}

TEST_F(ApplyCommandLineTest, SwitchesSetTheirSettingsOnlyInExactCase) {
    const struct {
        std::vector<std::wstring> args;
        bool silent, zeroGuid, removeFolder, runWizard;
        const wchar_t* child;
    } rows[] = {
        {{}, false, false, true, true, LR"(BW_I="Roza" )"},
        {{L"/IAgreeToTheEULA"}, true, false, true, true, LR"(/IAgreeToTheEULA BW_I="Roza" )"},
        {{L"/iagreetotheeula"}, false, false, true, true, LR"(/iagreetotheeula BW_I="Roza" )"},
        {{L"/dontrun", L"-zeroguid", L"/keep"}, false, true, false, false, LR"(BW_I="Roza" )"},
        {{L"keep", L"zeroguid"}, false, false, true, true, LR"(zeroguid keep BW_I="Roza" )"},
        {{L"/KEEP", L"/DontRun"}, false, false, true, true, LR"(/DontRun /KEEP BW_I="Roza" )"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        settings.silent = !row.silent; // nothing stale may survive
        EXPECT_EQ(0, Apply(row.args));
        EXPECT_EQ(row.silent, settings.silent);
        EXPECT_EQ(row.zeroGuid, settings.zeroGuid);
        EXPECT_EQ(row.removeFolder, settings.removeFolder);
        EXPECT_EQ(row.runWizard, settings.runWizard);
        EXPECT_EQ(row.child, settings.childParams);
    }
}

TEST_F(ApplyCommandLineTest, ExtractGoesOutAsFullPathButTempAsTyped) {
    EXPECT_EQ(0, Apply({L"extract", L"x", L"temp", L"t\\"}));
    EXPECT_EQ(L"D:\\cwd\\t\\", settings.tempFolder);
    EXPECT_EQ(LR"(/temp "t\\" /extract "D:\cwd\x" BW_I="Roza" )", settings.childParams);
    for (const wchar_t* word : {L"/extract", L"/log", L"-temp"})
        EXPECT_EQ(kBad, Apply({word})) << word;
}

TEST_F(ApplyCommandLineTest, PathTheSystemCannotCompleteIsRefusedAndLogged) {
    host.full[L"bad"] = L"";
    for (const wchar_t* word : {L"extract", L"log", L"temp"}) {
        ResetLog();
        EXPECT_EQ(kBad, Apply({word, L"bad", L"/keep"})) << word;
        EXPECT_EQ(1u, HeldCount(L"Cannot make a full path of 'bad'\n"));
        EXPECT_EQ(kUserTemp, settings.tempFolder);
        EXPECT_FALSE(settings.removeFolder); // the rest still runs
    }
}

TEST_F(ApplyCommandLineTest, HelpIsAskedBySwitchOrPlainWord) {
    for (const auto& [arg, times] : {std::pair{L"/?", 2u}, std::pair{L"?", 1u}}) {
        ResetLog();
        EXPECT_EQ(kBad, Apply({arg}));
        EXPECT_EQ(times, HeldCount(L"Ask for help\n")) << arg;
    }
}

TEST_F(ApplyCommandLineTest, LogWordOpensTheFileWithEverythingLogged) {
    const std::string file = TempFile("settings.log");
    host.full[L"my.log"] = Wide(file);
    EXPECT_EQ(0, Apply({L"log", L"my.log"}));
    ASSERT_TRUE(TheLog().IsOpen());
    CloseLog();
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    std::filesystem::remove(file);
    EXPECT_EQ("Command line params /log \"" + file +
                  "\" BW_I=\"Roza\" \nTemp folder 'C:\\users\\me\\Temp\\'\n",
              text.str());
}

TEST_F(ApplyCommandLineTest, LogNameTheCodePageCannotHoldIsNotOpened) {
    std::filesystem::remove(TempFile("k?.log"));
    const std::wstring name = Wide(TempFile("k")) + L"\u00e9.log";
    host.full[L"k\u00e9.log"] = name;
    EXPECT_EQ(0, Apply({L"log", L"k\u00e9.log"}));
    EXPECT_FALSE(TheLog().IsOpen());
    EXPECT_FALSE(std::filesystem::exists(TempFile("k?.log")));
    EXPECT_EQ(L"/log \"" + name + L"\" BW_I=\"Roza\" ", settings.childParams);
}

} // namespace
