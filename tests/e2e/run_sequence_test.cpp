// Whole runs of the installer under Wine: exit codes, log files and the checks' verdicts.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

constexpr std::uint32_t kBadCommandLine = 0x80030057;
constexpr std::uint32_t kInsufficientDiskSpace = 0x80030070;

struct LoggedRun {
    WineRun run;
    std::string log; // empty when no log file was written
};

LoggedRun RunWithLog(const std::string& test, const std::string& exe, const std::string& args) {
    std::string dir = FreshFolder(test);
    LoggedRun r;
    r.run = RunInstaller(exe, "log \"" + WinPath(dir + "/run.log") + "\" " + args, dir);
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(RunSequence, SilentRunEndsWithZeroAndLogsFromCommandLineToEnd) {
    auto r = RunWithLog("silent", "KitbagInstaller.exe", "/IAgreeToTheEULA");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u);
    // The second reading of the command line starts the file afresh.
    EXPECT_EQ(r.log.rfind("Command line params /IAgreeToTheEULA /log \"", 0), 0u) << r.log;
    EXPECT_NE(r.log.find("BW_I=\"Kitbag Installer\" \r\nTemp folder 'C:'\r\n"), std::string::npos)
        << r.log;
    EXPECT_TRUE(std::regex_search(r.log, std::regex("\r\nEnded -?[0-9]+\r\n$"))) << r.log;
    EXPECT_EQ(r.log.find("\n\n"), std::string::npos) << "every line ends in CR LF";
}

TEST(RunSequence, FailedChecksEndTheProcessWithTheirCode) {
    auto r = RunWithLog("bigdisk", "KitbagInstaller-bigdisk.exe", "/IAgreeToTheEULA");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kInsufficientDiskSpace);
    EXPECT_NE(r.log.find("Insufficient disk space on drive 'C:'. 2147483647 Mb of free disk space "
                         "is required.\r\nEnded "),
              std::string::npos)
        << r.log;
    EXPECT_EQ(r.log.find("Command line params", 1), std::string::npos)
        << "no payload stage after a failed check";
}

TEST(RunSequence, UserInstallBuildUsesTheUsersTemporaryFolder) {
    auto r = RunWithLog("user", "KitbagInstaller-user.exe", "/IAgreeToTheEULA");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u);
    EXPECT_TRUE(std::regex_search(r.log, std::regex(R"(Temp folder 'C:\\users\\[^\\']+\\Temp\\')")))
        << r.log;
}

TEST(RunSequence, BadCommandLineEndsWithItsCodeAndTheUsageText) {
    auto r = RunWithLog("badline", "KitbagInstaller.exe", "/temp /IAgreeToTheEULA");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kBadCommandLine);
    EXPECT_NE(r.log.find("Command line 'log \""), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("' incorrect.\r\nValid switches include:- \r\n\textract [path]\tlog "
                         "[path]\ttemp [path]\r\n\r\n"
                         "Example\r\n\t log c:\\log.txt /IAgreeToTheEULA\r\n"),
              std::string::npos)
        << r.log;
    EXPECT_EQ(r.log.find("Started "), std::string::npos)
        << "nothing is checked after a bad command line";
}

TEST(RunSequence, HelpAsSwitchLogsTwiceAndAsWordOnce) {
    auto asSwitch = RunWithLog("help-switch", "KitbagInstaller.exe", "/? /IAgreeToTheEULA");
    EXPECT_EQ(asSwitch.run.exitCode, kBadCommandLine);
    EXPECT_EQ(Count(asSwitch.log, "Ask for help\r\n"), 2u) << asSwitch.log;
    auto asWord = RunWithLog("help-word", "KitbagInstaller.exe", "? /IAgreeToTheEULA");
    EXPECT_EQ(asWord.run.exitCode, kBadCommandLine);
    EXPECT_EQ(Count(asWord.log, "Ask for help\r\n"), 1u) << asWord.log;
}
