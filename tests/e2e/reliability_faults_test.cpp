// Faults from outside the installer: a disk that fills, a payload file held by another
// process, a wizard killed or leaving a child behind, and many runs in a row. Each run ends
// with its code and its message, and nothing outside the working folder is touched.
#include "window_query.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kFail = 0x80004005;
const char* const kZeroGuid = "{00000000-0000-0000-0000-000000000000}";
const char* const kBadBuildMessage = "Contact Technical Support. Incorrect Kitbag build.\r\n";
const char* const kWizard = "brasswick.hopwell.ui.exe";

struct FaultRun {
    WineRun run;
    std::string log;
};

std::string Quoted(const fs::path& path) {
    return "\"" + WinPath(path.string()) + "\"";
}

std::string SilentArgs(const fs::path& dir, const fs::path& temp, const std::string& switches) {
    return "log " + Quoted(dir / "run.log") + " temp " + Quoted(temp) + " " + switches +
           " /IAgreeToTheEULA";
}

FaultRun RunSilently(const fs::path& dir, const fs::path& temp, const std::string& switches,
                     const Environment& env = {}) {
    FaultRun r;
    r.run = RunInstaller("KitbagInstaller.exe", SilentArgs(dir, temp, switches), dir.string(), env);
    r.log = ReadFile((dir / "run.log").string()).value_or("");
    return r;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<fs::path> Names(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename());
    return names;
}

int RunningProcesses(const std::string& names) {
    const std::string out = RunTool("fault_helper.exe", "count " + names);
    const auto at = out.find("count=");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
}

// A tmpfs of its own, unmounted again when the test ends.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& where) : m_where(where) {
        fs::create_directories(where);
        if (mount("tmpfs", where.c_str(), "tmpfs", 0, "size=8m") == 0)
            m_mounted = true;
        else
            m_error = std::strerror(errno);
    }
    ~SmallDisk() {
        if (m_mounted)
            umount2(m_where.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& error() const { return m_error; }

private:
    fs::path m_where;
    bool m_mounted = false;
    std::string m_error;
};

} // namespace

TEST(Reliability, ADiskThatFillsDuringExtractionFailsAndIsCleanedUp) {
    const fs::path dir = FreshFolder("fault-disk-full");
    SmallDisk disk(dir / "small");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount an 8 MB tmpfs here (" << disk.error()
                     << "): the full-disk case needs root or CAP_SYS_ADMIN";
    // The product archive (13 MB) comes last and cannot fit; the files before it do.
    const fs::path temp = dir / "small" / "temp";
    fs::create_directories(temp);
    WriteText(dir / "small" / "neighbour.txt", "not the installer's");

    FaultRun r = RunSilently(dir, temp, "");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kFail) << r.log;
    EXPECT_NE(r.log.find("Extract File empty.msi 0\r\nCannot write '"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("\\install.bin', error "), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("\r\nExtract File install.bin 80004005\r\nRemove folder 'Yes'\r\n"),
              std::string::npos)
        << r.log;
    EXPECT_NE(r.log.find(kBadBuildMessage), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("RunWizard"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(temp)) << r.log;
    EXPECT_EQ(ReadFile((dir / "small" / "neighbour.txt").string()), "not the installer's");
    EXPECT_GT(fs::space(dir / "small").available, 7u * 1024 * 1024) << "the space came back";
}

TEST(Reliability, APayloadFileHeldOpenElsewhereStopsTheExtractionAndIsLeftAlone) {
    const fs::path dir = FreshFolder("fault-held-file");
    const fs::path temp = dir / "temp";
    const fs::path folder = temp / kZeroGuid;
    fs::create_directories(folder);
    // Written third, after projectitems.xml and kitbaginstaller.project.
    const fs::path held = folder / "brasswick.packrill.dll";
    WriteText(held, "another program's bytes");
    auto holder = StartInstaller("fault_helper.exe",
                                 "hold " + Quoted(held) + " " + Quoted(dir / "ready") + " " +
                                     Quoted(dir / "release") + " 60000",
                                 dir.string());
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(dir / "ready"); }, 30000));

    FaultRun r = RunSilently(dir, temp, "/zeroguid");
    WriteText(dir / "release", "");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kFail) << r.log;
    EXPECT_NE(r.log.find("Extract File kitbaginstaller.project 0\r\n"
                         "Cannot write '" +
                         WinPath(held.string()) +
                         "', error 32\r\n"
                         "Extract File brasswick.packrill.dll 80004005\r\n"
                         "Remove folder 'Yes'\r\n"),
              std::string::npos)
        << r.log;
    EXPECT_NE(r.log.find(kBadBuildMessage), std::string::npos) << r.log;
    EXPECT_TRUE(holder.get().finished);
    // Only the held file stays, as it was, and with it its folder.
    ASSERT_TRUE(fs::exists(held)) << r.log;
    EXPECT_EQ(ReadFile(held.string()), "another program's bytes");
    EXPECT_EQ(Names(folder), std::vector<fs::path>{"brasswick.packrill.dll"});
}

TEST(Reliability, AWizardKilledFromOutsideEndsTheRunWithItsExitCode) {
    const fs::path dir = FreshFolder("fault-killed-wizard");
    const fs::path temp = dir / "temp";
    fs::create_directories(temp);
    WriteText(temp / "neighbour.txt", "not the installer's");
    auto run =
        StartInstaller("KitbagInstaller.exe", SilentArgs(dir, temp, ""), dir.string(),
                       {{"KITBAG_WIZARD_WINDOW", "none"}, {"KITBAG_WIZARD_DELAY_MS", "60000"}});
    // As a task manager ends a program: TerminateProcess, here with a code of its choosing.
    const std::string killed =
        RunTool("fault_helper.exe", std::string("kill ") + kWizard + " 0x4B1D 30000");
    WineRun result = run.get();
    const std::string log = ReadFile((dir / "run.log").string()).value_or("");
    EXPECT_NE(killed.find("killed="), std::string::npos) << killed;
    ASSERT_TRUE(result.finished) << result.output;
    EXPECT_EQ(result.exitCode, 0x4B1Du) << log;
    EXPECT_NE(log.find("Remove folder 'Yes'\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Kitbag failed with exit code 0x    4b1d.\r\n"), std::string::npos) << log;
    EXPECT_EQ(Names(temp), std::vector<fs::path>{"neighbour.txt"}) << log;
    EXPECT_EQ(ReadFile((temp / "neighbour.txt").string()), "not the installer's");
}

// The wizard leaves a child behind that holds a file of the folder and its own program file
// (a payload file) for a while, as an on-access scanner holds fresh files.
TEST(Reliability, AFileHeldForAMomentAfterTheWizardIsWaitedForAndTheFolderRemoved) {
    const fs::path dir = FreshFolder("fault-held-moment");
    const fs::path temp = dir / "temp";
    fs::create_directories(temp);
    FaultRun r = RunSilently(dir, temp, "/zeroguid",
                             {{"KITBAG_WIZARD_WINDOW", "none"},
                              {"KITBAG_WIZARD_EXIT_CODE", "3"},
                              {"KITBAG_WIZARD_SPAWN_HOLDER", "2000"}});
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 3u) << r.log;
    EXPECT_NE(r.log.find("left a holder behind"), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("Cannot delete"), std::string::npos) << r.log;
    EXPECT_TRUE(fs::is_empty(temp)) << r.log;
}

TEST(Reliability, AFileStillHeldAfterTheWaitKeepsOnlyThatFileAndItsFolder) {
    const fs::path dir = FreshFolder("fault-left-child");
    const fs::path temp = dir / "temp";
    fs::create_directories(temp);
    const auto start = std::chrono::steady_clock::now();
    FaultRun r = RunSilently(dir, temp, "/zeroguid",
                             {{"KITBAG_WIZARD_WINDOW", "none"},
                              {"KITBAG_WIZARD_EXIT_CODE", "3"},
                              {"KITBAG_WIZARD_SPAWN_HOLDER", "30000"}});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(r.run.finished) << r.run.output;
    // The clean-up waits ten seconds in all for what is held, then gives it up.
    EXPECT_GE(took, std::chrono::milliseconds(10000));
    EXPECT_LT(took, std::chrono::milliseconds(25000)) << "the run does not wait for the holder";
    EXPECT_EQ(r.run.exitCode, 3u) << r.log;
    EXPECT_NE(r.log.find("left a holder behind"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("Kitbag failed with exit code 0x       3.\r\n"), std::string::npos)
        << r.log;

    // The held file (and the holder's own program file, in use while it runs) resist the
    // clean-up, each said once with the system's error; everything else of the folder is gone,
    // and nothing beside it was touched.
    const fs::path folder = temp / kZeroGuid;
    const std::string winFolder = WinPath(folder.string());
    EXPECT_NE(r.log.find("Deletion file '" + winFolder + "\\holder.lock'\r\nCannot delete '" +
                         winFolder + "\\holder.lock', error 32\r\n"),
              std::string::npos)
        << r.log;
    ASSERT_TRUE(fs::exists(folder / "holder.lock")) << r.log;
    for (const fs::path& name : Names(folder))
        EXPECT_TRUE(name == "holder.lock" || name == kWizard) << name;
    EXPECT_EQ(Names(temp), std::vector<fs::path>{kZeroGuid});
    EXPECT_TRUE(WaitUntil([] { return RunningProcesses(kWizard) == 0; }, 40000))
        << "the holder ends by itself";
}

// While the wizard runs, its working folder is swapped for a link to another folder that holds
// files of the payload's names: the clean-up deletes nothing through the link.
TEST(Reliability, AWorkingFolderSwappedForALinkIsNotFollowedByTheCleanUp) {
    const fs::path dir = FreshFolder("fault-swapped-folder");
    const fs::path temp = dir / "temp";
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directories(temp);
    fs::create_directories(elsewhere / "sub");
    WriteText(elsewhere / "install.bin", "not the installer's");
    WriteText(elsewhere / "sub" / "deeper.txt", "nor this");
    const fs::path folder = temp / kZeroGuid;
    const fs::path record = dir / "record.txt";
    auto run =
        StartInstaller("KitbagInstaller.exe", SilentArgs(dir, temp, "/zeroguid"), dir.string(),
                       {{"KITBAG_WIZARD_WINDOW", "none"},
                        {"KITBAG_WIZARD_DELAY_MS", "4000"},
                        {"KITBAG_WIZARD_RECORD", WinPath(record.string())}});
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(record); }, 60000)) << "the wizard started";
    fs::rename(folder, dir / "moved");
    fs::create_directory_symlink(elsewhere, folder);

    WineRun result = run.get();
    const std::string log = ReadFile((dir / "run.log").string()).value_or("");
    ASSERT_TRUE(result.finished) << result.output;
    EXPECT_EQ(result.exitCode, 0u) << log;
    EXPECT_NE(log.find("Deletion link '" + WinPath(folder.string()) + "'\r\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("Manual Deletion"), std::string::npos) << log;
    EXPECT_EQ(ReadFile((elsewhere / "install.bin").string()), "not the installer's");
    EXPECT_EQ(ReadFile((elsewhere / "sub" / "deeper.txt").string()), "nor this");
}

TEST(Reliability, FiftyRunsInARowLeaveNoFolderAndNoProcessBehind) {
    const fs::path dir = FreshFolder("fault-fifty-runs");
    const fs::path temp = dir / "temp";
    fs::create_directories(temp);
    WriteText(dir / "neighbour.txt", "not the installer's");
    const Environment quickWizard = {{"KITBAG_WIZARD_WINDOW", "none"},
                                     {"KITBAG_WIZARD_LINGER_MS", "0"}};
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE("run " + std::to_string(i));
        FaultRun r = RunSilently(dir, temp, "", quickWizard);
        ASSERT_TRUE(r.run.finished) << r.run.output;
        ASSERT_EQ(r.run.exitCode, 0u) << r.log;
        ASSERT_TRUE(fs::is_empty(temp)) << r.log;
    }
    EXPECT_EQ(RunningProcesses(std::string("KitbagInstaller.exe ") + kWizard), 0);
    EXPECT_EQ(ReadFile((dir / "neighbour.txt").string()), "not the installer's");
}

// Wine's client, not the program, losing its server (seen once in a whole run of the tests)
// costs a start, not the test: the program is started once more, and the run says so.
TEST(Reliability, AProgramWhoseWineClientLostItsServerIsStartedOnceMore) {
    const fs::path dir = FreshFolder("fault-wine-client");
    WriteText(dir / "client.bat",
              "@echo off\r\n"
              "if exist started.txt (\r\n"
              "  echo started twice\r\n"
              "  exit /b 0\r\n"
              ")\r\n"
              "echo.> started.txt\r\n"
              "echo wine client error:0: recvmsg: Connection reset by peer 1>&2\r\n"
              "exit /b 1\r\n");
    WineToolRun run = RunWineTool({"cmd", "/c", WinPath((dir / "client.bat").string())}, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("started twice"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("[Wine lost its server"), std::string::npos) << run.err;
}
