// The installer's main road under Wine: the payload unpacked, the wizard started with its
// arguments in the working folder, the splash, the wizard's exit code, the clean-up.
#include "window_query.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>

namespace {

struct Record {
    std::string commandLine;
    std::vector<std::string> argv;
    std::string currentFolder;
    std::set<std::string> files;
};

Record ReadRecord(const std::string& path) {
    Record r;
    std::istringstream lines(ReadFile(path).value_or(""));
    for (std::string line; std::getline(lines, line);) {
        auto eq = line.find('=');
        std::string key = line.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "cmdline")
            r.commandLine = value;
        else if (key.rfind("argv[", 0) == 0)
            r.argv.push_back(value);
        else if (key == "cwd")
            r.currentFolder = value;
        else if (key == "file")
            r.files.insert(value.substr(0, value.find('\t')));
    }
    return r;
}

std::string LineAfter(const std::string& text, const std::string& start) {
    auto at = text.find(start);
    if (at == std::string::npos)
        return {};
    at += start.size();
    return text.substr(at, text.find("\r\n", at) - at);
}

Environment Wizard(const std::string& record, Environment more = {}) {
    more["KITBAG_WIZARD_RECORD"] = WinPath(record);
    return more;
}

const std::set<std::string> kPayloadFiles = {"brasswick.hopwell.engine.dll",
                                             "brasswick.hopwell.ui.exe",
                                             "brasswick.hopwell.ui.exe.config",
                                             "brasswick.packrill.dll",
                                             "empty.msi",
                                             "install.bin",
                                             "kitbaginstaller.project",
                                             "projectitems.xml"};

} // namespace

TEST(MainRoad, WizardRunsInTheWorkingFolderWithItsArgumentsAndIsCleanedUpAfter) {
    std::string dir = FreshFolder("road");
    std::string base = dir + "/base dir";
    auto run = RunInstaller("KitbagInstaller.exe",
                            "log run.log temp \"" + WinPath(base) +
                                "\" extract C:\\ /Custom plainword /IAgreeToTheEULA",
                            dir, Wizard(dir + "/record.txt", {{"KITBAG_WIZARD_WINDOW", "none"}}));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0u);
    std::string log = ReadFile(dir + "/run.log").value_or("");
    Record record = ReadRecord(dir + "/record.txt");

    std::string params = LineAfter(log, "Command line params ");
    ASSERT_FALSE(record.currentFolder.empty()) << log;
    EXPECT_EQ(record.currentFolder.rfind(WinPath(base) + "\\{", 0), 0u) << record.currentFolder;
    EXPECT_EQ(record.commandLine,
              "\"" + record.currentFolder + "\\brasswick.hopwell.ui.exe\" " + params);
    const std::vector<std::string> expected = {record.currentFolder + "\\brasswick.hopwell.ui.exe",
                                               "/temp",
                                               WinPath(base),
                                               "/IAgreeToTheEULA",
                                               "plainword",
                                               "/Custom",
                                               "/extract",
                                               "C:\\",
                                               "/log",
                                               WinPath(dir + "/run.log")};
    ASSERT_EQ(record.argv.size(), expected.size() + 1) << record.commandLine;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), record.argv.begin()));
    EXPECT_EQ(record.argv.back().rfind("BW_I=", 0), 0u);
    EXPECT_EQ(record.files, kPayloadFiles);

    // The log: the installer's lines before the wizard, the wizard's own, then the clean-up.
    // Only a 32-bit installer on 64-bit Windows has a redirection to switch around the start,
    // and it is switched back, and logged, before the wizard runs and writes to the log.
    std::vector<std::string> order = {"Extract File brasswick.hopwell.ui.exe 0\r\n",
                                      "ProgramType 'AnyCPU'\r\nStaying on Any\r\n"};
    if (!Testing64BitBuild())
        order.push_back(
            "Enabling 64Bit spawned processes\r\nRestoring 32Bit spawned processes\r\n");
    order.push_back("Kitbag sample wizard: ending with exit code 0x00000000");
    order.push_back("Remove folder 'Yes'\r\n");
    order.push_back("Deletion Folder of '" + record.currentFolder + "'\r\n");
    order.push_back("Ended ");
    std::size_t at = 0;
    for (const std::string& line : order) {
        auto found = log.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        at = found == std::string::npos ? at : found;
    }
    if (Testing64BitBuild()) {
        EXPECT_EQ(log.find("Bit spawned processes"), std::string::npos) << log;
    }
    EXPECT_TRUE(std::filesystem::is_empty(base)) << "the working folder is removed";
}

// The wizard opens the same log as its very first act: the installer has let go of it by
// then, every time.
TEST(MainRoad, TheWizardsFirstLogLineReachesTheLogEveryTime) {
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("run " + std::to_string(i));
        std::string dir = FreshFolder("first-line");
        auto run =
            RunInstaller("KitbagInstaller.exe", "log run.log temp base /IAgreeToTheEULA", dir,
                         {{"KITBAG_WIZARD_WINDOW", "none"}, {"KITBAG_WIZARD_LINGER_MS", "0"}});
        ASSERT_TRUE(run.finished) << run.output;
        std::string log = ReadFile(dir + "/run.log").value_or("");
        ASSERT_NE(log.find("Staying on Any\r\n"), std::string::npos) << log;
        EXPECT_NE(
            log.find("Staying on Any\r\n" +
                     std::string(Testing64BitBuild() ? ""
                                                     : "Enabling 64Bit spawned processes\r\n"
                                                       "Restoring 32Bit spawned processes\r\n") +
                     "Kitbag sample wizard: started in"),
            std::string::npos)
            << log;
    }
}

TEST(MainRoad, TheWizardsExitCodeIsTheProcessExitCode) {
    for (std::uint32_t code : {5u, 3010u, 0x80131700u, 0x80070643u}) {
        std::string dir = FreshFolder("exit-code");
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", code);
        auto run =
            RunInstaller("KitbagInstaller.exe", "log run.log temp base /IAgreeToTheEULA", dir,
                         {{"KITBAG_WIZARD_WINDOW", "none"}, {"KITBAG_WIZARD_EXIT_CODE", hex}});
        ASSERT_TRUE(run.finished) << run.output;
        EXPECT_EQ(run.exitCode, code);
        std::string log = ReadFile(dir + "/run.log").value_or("");
        if (code == 0x80131700u)
            EXPECT_NE(log.find("(.NET 4 was detected.)"), std::string::npos) << log;
        else
            EXPECT_NE(log.find("Kitbag failed with exit code 0x"), std::string::npos) << log;
        EXPECT_TRUE(std::filesystem::is_empty(dir + "/base")) << hex;
    }
}

TEST(MainRoad, SplashStaysUntilTheWizardShowsAVisibleWindow) {
    const struct {
        const char* name;
        Environment wizard;
        bool wizardShowsWindow;
    } rows[] = {
        {"window after 2 s",
         {{"KITBAG_WIZARD_DELAY_MS", "2000"}, {"KITBAG_WIZARD_LINGER_MS", "1000"}},
         true},
        {"no window",
         {{"KITBAG_WIZARD_WINDOW", "none"}, {"KITBAG_WIZARD_DELAY_MS", "2000"}},
         false},
        {"hidden window first",
         {{"KITBAG_WIZARD_WINDOW", "hidden-first"},
          {"KITBAG_WIZARD_HIDDEN_MS", "2000"},
          {"KITBAG_WIZARD_LINGER_MS", "1000"}},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string dir = FreshFolder("splash");
        auto started = std::chrono::steady_clock::now();
        auto run = StartInstaller("KitbagInstaller.exe", "temp base", dir, row.wizard);
        auto elapsed = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - started)
                .count();
        };
        long splashFirst = -1, splashLast = -1, wizardFirst = -1, splashAfterWizard = -1;
        while (run.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            auto windows = ListWindows();
            long now = elapsed();
            if (SplashVisible(windows)) {
                if (splashFirst < 0 && row.wizardShowsWindow &&
                    row.wizard.count("KITBAG_WIZARD_DELAY_MS"))
                    Screenshot("splash");
                splashFirst = splashFirst < 0 ? now : splashFirst;
                splashLast = now;
                if (wizardFirst >= 0)
                    splashAfterWizard = now;
            }
            if (WizardWindowVisible(windows) && wizardFirst < 0)
                wizardFirst = now;
        }
        WineRun result = run.get();
        ASSERT_TRUE(result.finished) << result.output;
        EXPECT_EQ(result.exitCode, 0u);
        ASSERT_GE(splashFirst, 0) << "the splash was shown";
        EXPECT_GE(splashLast - splashFirst, 1000)
            << "the splash stays while the wizard has no visible window";
        if (row.wizardShowsWindow) {
            ASSERT_GE(wizardFirst, 0);
            // Seen together at most within the installer's 100 ms watch and our own sampling.
            EXPECT_LT(splashAfterWizard - wizardFirst, 700)
                << "the splash closes once the wizard's window shows";
        }
    }
}

// A silent run makes no window at all, not even a hidden splash: setting up the display for
// one is the largest cost of its own that the installer has.
TEST(MainRoad, ASilentRunMakesNoWindow) {
    std::string dir = FreshFolder("silent-windows");
    auto run =
        StartInstaller("KitbagInstaller.exe", "log run.log temp base /IAgreeToTheEULA", dir,
                       {{"KITBAG_WIZARD_DELAY_MS", "2000"}, {"KITBAG_WIZARD_WINDOW", "none"}});
    int samples = 0;
    std::string seen;
    while (run.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        for (const TopWindow& window : ListWindows()) {
            if (IsInstallerWindow(window))
                seen += " '" + window.className + "' '" + window.title + "'";
        }
        ++samples;
    }
    WineRun result = run.get();
    ASSERT_TRUE(result.finished) << result.output;
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_GE(samples, 3) << "the run was watched while the wizard waited";
    EXPECT_EQ(seen, "") << "windows of the installer:" << seen;
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/base"));
}

TEST(MainRoad, AnUnusableTemporaryFolderFailsASilentRunWithoutAPrompt) {
    std::string dir = FreshFolder("bad-temp");
    auto run = RunInstaller("KitbagInstaller.exe",
                            "log run.log temp missing\\deeper /IAgreeToTheEULA", dir);
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0x80004005u);
    std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_NE(log.find("Not Prompting the user as silent installation\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Contact Technical Support. Incorrect Kitbag build."), std::string::npos)
        << log;
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
}

TEST(MainRoad, TheTemporaryFolderPromptTakesATypedFolderOrIsCancelled) {
    {
        std::string dir = FreshFolder("prompt-ok");
        auto run = StartInstaller("KitbagInstaller.exe", "log run.log temp missing\\deeper", dir,
                                  {{"KITBAG_WIZARD_WINDOW", "none"}});
        ASSERT_TRUE(
            WaitUntil([] { return InstallerDialogVisible(ListWindows(), "Kitbag"); }, 30000));
        EXPECT_FALSE(SplashVisible(ListWindows())) << "the splash hides while the prompt is open";
        ASSERT_TRUE(TypeText("Kitbag", WinPath(dir + "/good")));
        ASSERT_TRUE(SendKeys("Kitbag", {"Return"}));
        WineRun result = run.get();
        ASSERT_TRUE(result.finished) << result.output;
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(std::filesystem::is_directory(dir + "/good"))
            << ReadFile(dir + "/run.log").value_or("");
    }
    {
        std::string dir = FreshFolder("prompt-cancel");
        auto run = StartInstaller("KitbagInstaller.exe", "log run.log temp missing\\deeper", dir);
        ASSERT_TRUE(
            WaitUntil([] { return InstallerDialogVisible(ListWindows(), "Kitbag"); }, 30000));
        // Escape cancels the prompt; the failure message that follows is closed the same way.
        WaitUntil(
            [&] {
                if (InstallerDialogVisible(ListWindows(), "Kitbag"))
                    SendKeys("Kitbag", {"Escape"});
                return run.wait_for(std::chrono::milliseconds(300)) == std::future_status::ready;
            },
            30000);
        WineRun result = run.get();
        ASSERT_TRUE(result.finished) << result.output;
        EXPECT_EQ(result.exitCode, 0x80004005u);
    }
}

// On 64-bit Windows, whatever the installer's own architecture: the 64-bit prefix.
TEST(MainRoad, AProcessorModeThatDoesNotFitIsRefusedBeforeTheWizardStarts) {
    std::string dir = FreshFolder("x32only");
    auto run = RunInstaller("KitbagInstaller-x32only.exe", "log run.log temp base /IAgreeToTheEULA",
                            dir, Wizard(dir + "/record.txt"));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0x80004004u);
    std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_NE(log.find("ProgramType 'x32Only'\r\nSwapping to 32Bit only\r\n"
                       "Incorrect processor mode with installation type\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Kitbag failed to switch into processor mode (x32Only)"), std::string::npos)
        << log;
    EXPECT_FALSE(FileExists(dir + "/record.txt")) << "the wizard was not started";
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/base"));
}

TEST(MainRoad, A64BitWizardStartsOn64BitWindows) {
    std::string dir = FreshFolder("x64-on-win64");
    auto run = RunInstaller("KitbagInstaller-x64.exe", "log run.log temp base /IAgreeToTheEULA",
                            dir, Wizard(dir + "/record.txt", {{"KITBAG_WIZARD_WINDOW", "none"}}));
    ASSERT_TRUE(run.finished) << run.output;
    std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_EQ(run.exitCode, 0u) << log;
    // A 32-bit installer lets the wizard start as a 64-bit process; a 64-bit one has nothing
    // to switch.
    const std::string around =
        "ProgramType 'x64'\r\nSwapping to x64\r\n" +
        std::string(Testing64BitBuild() ? "Kitbag sample wizard: started in"
                                        : "Enabling 64Bit spawned processes\r\n"
                                          "Restoring 32Bit spawned processes\r\n"
                                          "Kitbag sample wizard: started in");
    EXPECT_NE(log.find(around), std::string::npos) << log;
    EXPECT_TRUE(FileExists(dir + "/record.txt")) << "the wizard was started";
    EXPECT_TRUE(std::filesystem::is_empty(dir + "/base"));
}

TEST(MainRoad, A64BitWizardIsRefusedOn32BitWindows) {
    KITBAG_SKIP_UNLESS_32BIT_BUILD("a 64-bit installer never runs on 32-bit Windows");
    auto prefix = Win32Prefix();
    ASSERT_TRUE(prefix.has_value());
    std::string dir = FreshFolder("x64-on-win32");
    auto run = RunInstaller("KitbagInstaller-x64.exe", "log run.log temp base /IAgreeToTheEULA",
                            dir, {{"WINEPREFIX", *prefix}});
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, 0x80004004u) << ReadFile(dir + "/run.log").value_or("");
    std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_NE(log.find("Swapping to x64\r\nIncorrect processor mode with installation type\r\n"),
              std::string::npos)
        << log;
}
