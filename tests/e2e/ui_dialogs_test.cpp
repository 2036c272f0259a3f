// The installer's windows under Xvfb: found by title, their controls read back and operated
// through tools/uiprobe.exe, screenshots kept under e2e-tmp/screenshots.
#include "window_query.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <sstream>
#include <thread>

namespace {

constexpr std::uint32_t kFrameworkMissing = 0x80110409;
constexpr std::uint32_t kInsufficientDiskSpace = 0x80030070;
constexpr std::uint32_t kNotSigned = 0x800B0100;

// The installer run interactively on a thread of its own, while the test operates its windows.
// Returns once a visible window has that title. The probes only start then: a probe's
// output pipe must not be open while the installer is being started, or the installer's
// process inherits it and the probe's read waits for the installer to end.
std::future<WineRun> StartInteractive(const std::string& exe, const std::string& test,
                                      const std::string& title = "Kitbag") {
    std::string dir = FreshFolder(test);
    auto running =
        // A run that goes on starts the wizard: it ends at once, without a window of its own.
        std::async(std::launch::async, [=] {
            return RunInstaller(exe, "", dir, {{"KITBAG_WIZARD_WINDOW", "none"}}, 90000);
        });
    EXPECT_EQ(RunWineStatus({BuildPath("uiprobe.exe"), "texts", title}, dir), 0)
        << "no window titled " << title;
    return running;
}

// The colours of a screenshot, or of the part of it that crop (WxH+X+Y) names, as ImageMagick's
// histogram lists them: one "(r,g,b)" each.
std::string Colours(const std::string& shot, const std::string& crop = "") {
    const std::string list = shot + ".txt";
    const std::string command = "convert '" + shot + "'" + (crop.empty() ? "" : " -crop " + crop) +
                                " -format %c histogram:info:- > '" + list + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(list).value_or("");
}

// Empties the framework's setup keys and restores the prefix's .NET 4 afterwards.
class NoFramework {
public:
    NoFramework() {
        for (const char* view : {"/reg:32", "/reg:64"})
            RunWine(
                {"reg", "delete", "HKLM\\Software\\Microsoft\\NET Framework Setup", view, "/f"});
    }
    ~NoFramework() { EXPECT_TRUE(RestorePrefix()); }
};

// Points the shell's "open" of https addresses at uiprobe's recorder for one test.
class HttpsRecorder {
public:
    explicit HttpsRecorder(const std::string& file) {
        std::string old = RunWine({"reg", "query", kKey, "/ve"});
        auto at = old.find("REG_SZ");
        if (at != std::string::npos) {
            m_old = old.substr(old.find_first_not_of(' ', at + 6));
            m_old = m_old.substr(0, m_old.find_first_of("\r\n"));
        }
        std::string command =
            "\"" + WinPath(BuildPath("uiprobe.exe")) + "\" record \"" + WinPath(file) + "\" \"%1\"";
        RunWine({"reg", "add", kKey, "/ve", "/d", command, "/f"});
    }
    ~HttpsRecorder() {
        if (m_old.empty())
            RunWine({"reg", "delete", kKey, "/ve", "/f"});
        else
            RunWine({"reg", "add", kKey, "/ve", "/d", m_old, "/f"});
    }

private:
    static constexpr const char* kKey = "HKLM\\Software\\Classes\\https\\shell\\open\\command";
    std::string m_old;
};

} // namespace

TEST(UiDialogs, FailureDialogShowsItsTextWithOnlyCancelAndOpensTheAboutBox) {
    auto running = StartInteractive("KitbagInstaller-bigdisk.exe", "ui_failure");
    auto dialog = Controls("Kitbag");
    ASSERT_EQ(dialog["caption"], "Kitbag") << "no visible window titled Kitbag";
    // The header picture, expanded when the dialog opened, shows its flat teal.
    EXPECT_NE(Colours(Screenshot("message_dialog")).find("(28,72,94)"), std::string::npos);
    EXPECT_EQ(dialog["1003"], "Static|1|Error");
    EXPECT_EQ(dialog["1000"], "Static|1|Insufficient disk space on drive 'C:'. 2147483647 Mb of "
                              "free disk space is required.");
    EXPECT_EQ(dialog["1"], "Button|0|OK") << "the OK button is hidden";
    EXPECT_EQ(dialog["2"], "Button|1|Cancel");
    EXPECT_EQ(dialog["1001"], "Static|1|") << "no link for this failure";

    Probe({"syscommand", "Kitbag", "16"});
    auto about = Controls("About Kitbag");
    ASSERT_EQ(about["caption"], "About Kitbag");
    Screenshot("about_box");
    EXPECT_EQ(about["1001"], "Static|1|Kitbag Version 1.8.2.358");
    EXPECT_EQ(about["1002"], "Static|1|Copyright (C) 2026 Kitbag");
    // Owned by the message dialog, which cannot be used (nor open a second box) meanwhile.
    EXPECT_EQ(about["owner"], "Kitbag");
    EXPECT_EQ(Controls("Kitbag")["enabled"], "0");
    Probe({"click", "About Kitbag", "1"});
    std::string enabled;
    for (int i = 0; i < 50 && (enabled = Controls("Kitbag")["enabled"]) != "1"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(enabled, "1") << "the dialog stays disabled once the about box is closed";

    // Minimised, the dialog shows its icon: the bag's brown is on the minimised window.
    std::istringstream minimised(Probe({"minimize", "Kitbag"}));
    std::string iconic;
    int left = 0, top = 0, right = 0, bottom = 0;
    char bar = 0;
    std::getline(minimised, iconic, '|');
    int state = 0;
    minimised >> state >> bar >> left >> bar >> top >> bar >> right >> bar >> bottom;
    EXPECT_EQ(state, 1);
    std::ostringstream crop;
    crop << (right - left) << "x" << (bottom - top) << "+" << left << "+" << top;
    std::string colours = Colours(Screenshot("message_dialog_minimised"), crop.str());
    EXPECT_TRUE(colours.find("(184,142,84)") != std::string::npos ||
                colours.find("(150,108,58)") != std::string::npos)
        << colours;

    Probe({"escape", "Kitbag"});
    auto run = running.get();
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, kInsufficientDiskSpace);
}

TEST(UiDialogs, MissingFrameworkOffersItsDownloadPageThroughTheShell) {
    NoFramework keys;
    std::string dir = FreshFolder("ui_link_record");
    std::string record = dir + "/opened.txt";
    HttpsRecorder recorder(record);

    auto running = StartInteractive("KitbagInstaller.exe", "ui_link");
    auto dialog = Controls("Kitbag");
    ASSERT_EQ(dialog["caption"], "Kitbag");
    EXPECT_EQ(dialog["1000"], "Static|1|Kitbag requires .NET 2. Please download from the "
                              "Microsoft Download Center and retry.");
    const std::string page = "https://dotnet.microsoft.com/download/dotnet-framework/net20";
    EXPECT_EQ(dialog["1001"], "Static|1|" + page);
    Probe({"link", "Kitbag", "1001"});
    std::string opened;
    for (int i = 0; i < 100 && opened.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        opened = ReadFile(record).value_or("");
    }
    EXPECT_EQ(opened, page + "\n");
    Screenshot("message_dialog_link_visited");

    Probe({"close", "Kitbag"});
    auto run = running.get();
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, kFrameworkMissing);
}

// The unsigned build fails the installer's own signature check.
TEST(UiDialogs, UnverifiedSignatureAsksAndOnlyYesGoesOn) {
    for (const std::string answer : {"escape", "close", "no", "yes"}) {
        auto running = StartInteractive("KitbagInstaller-unsigned.exe", "ui_question_" + answer);
        auto dialog = Controls("Kitbag");
        ASSERT_EQ(dialog["caption"], "Kitbag") << answer;
        EXPECT_EQ(dialog["1003"], "Static|1|Verification of Kitbag failed. Do you wish continue?");
        EXPECT_EQ(dialog["1"], "Button|1|Yes");
        EXPECT_EQ(dialog["2"], "Button|1|No");
        if (answer == "yes") {
            Screenshot("question_dialog");
            Probe({"click", "Kitbag", "1"});
        } else if (answer == "no") {
            Probe({"click", "Kitbag", "2"});
        } else {
            Probe({answer, "Kitbag"});
        }
        if (answer != "yes") {
            // The refusal's own message follows; it is closed in turn.
            auto failure = Controls("Kitbag");
            for (int i = 0; i < 20 && failure["1003"] != "Static|1|Error"; ++i)
                failure = Controls("Kitbag");
            EXPECT_EQ(failure["1000"], "Static|1|Failed to run Kitbag error 0x800b0100.") << answer;
            Probe({"close", "Kitbag"});
        }
        auto run = running.get();
        ASSERT_TRUE(run.finished) << answer << run.output;
        EXPECT_EQ(run.exitCode, answer == "yes" ? 0u : kNotSigned) << answer;
    }
}
