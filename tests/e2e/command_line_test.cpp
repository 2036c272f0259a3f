// The installer's command line as a user types it, and what it makes of it.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CommandLine, WizardArgumentsFollowTheTableOrderWithFullPaths) {
    std::string dir = FreshFolder("args");
    auto run = RunInstaller(
        "KitbagInstaller.exe",
        "temp \"sub dir\" /KEEP plainword extract x log run.log /Custom /IAgreeToTheEULA", dir);
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0u);
    auto log = ReadFile(dir + "/run.log");
    ASSERT_TRUE(log.has_value()) << "a relative log path is taken from the current folder";
    std::string wdir = WinPath(dir);
    EXPECT_NE(log->find("Command line params /KEEP /temp \"sub dir\" /IAgreeToTheEULA plainword "
                        "/Custom /log \"" +
                        wdir + "\\run.log\" /extract \"" + wdir +
                        "\\x\" BW_I=\"Kitbag Installer\" \r\n"),
              std::string::npos)
        << *log;
    EXPECT_NE(log->find("Temp folder '" + wdir + "\\sub dir'\r\n"), std::string::npos) << *log;
}

TEST(CommandLine, AWaitingWordIsDroppedForTheNextOne) {
    std::string dir = FreshFolder("waiting");
    auto run = RunInstaller("KitbagInstaller.exe", "temp log run.log /IAgreeToTheEULA", dir);
    EXPECT_EQ(run.exitCode, 0u);
    auto log = ReadFile(dir + "/run.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(log->find("/temp"), std::string::npos) << *log;
    EXPECT_NE(log->find("Temp folder 'C:'"), std::string::npos) << *log;
}

TEST(CommandLine, LogAsLastWordNamesTheCurrentFolderAndOpensNothing) {
    std::string dir = FreshFolder("log-last");
    auto run = RunInstaller("KitbagInstaller.exe", "/IAgreeToTheEULA log", dir);
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(CommandLine, ADriveRootValueReachesTheWizardWithADoubledBackslash) {
    std::string dir = FreshFolder("root");
    auto run =
        RunInstaller("KitbagInstaller.exe", "log run.log extract C:\\ /IAgreeToTheEULA", dir);
    EXPECT_EQ(run.exitCode, 0u);
    auto log = ReadFile(dir + "/run.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("/extract \"C:\\\\\" "), std::string::npos) << *log;
}
