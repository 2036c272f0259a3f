// Libraries planted beside the executable, as in a downloads folder: a wintrust.dll that says
// every signature is valid, and a "<program>.local" redirection.
#include "window_query.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kNotSigned = 0x800B0100;
constexpr std::uint32_t kDllRedirection = 0x80040201;
const char* const kMark = "planted-dll-loaded.txt";
// Wine takes its own builtin wintrust before a file of that name beside the program; this
// makes it prefer a native one, as Windows would, so that a planted copy gets its chance.
const Environment kNativeWintrustFirst = {{"WINEDLLOVERRIDES", "mscoree,mshtml=;wintrust=n,b"}};

// RunInstaller runs programs of the build folder; this names a copy elsewhere that way.
std::string FromBuild(const fs::path& copy) {
    return fs::relative(copy, BuildPath("")).string();
}

// A folder holding a copy of the installer build `exe` as KitbagInstaller.exe, with the
// planted wintrust.dll and the probe beside it.
fs::path DownloadsFolder(const std::string& name, const std::string& exe) {
    const fs::path dir = FreshFolder(name);
    fs::copy_file(BuildPath(exe), dir / "KitbagInstaller.exe");
    fs::copy_file(BuildPath("planted/wintrust.dll"), dir / "wintrust.dll");
    fs::copy_file(BuildPath("planted/dll_probe.exe"), dir / "dll_probe.exe");
    return dir;
}

WineRun RunSilently(const fs::path& dir, const Environment& env = {}) {
    fs::create_directories(dir / "temp");
    return RunInstaller(FromBuild(dir / "KitbagInstaller.exe"),
                        "log \"" + WinPath((dir / "run.log").string()) + "\" temp \"" +
                            WinPath((dir / "temp").string()) + "\" /dontrun /IAgreeToTheEULA",
                        dir.string(), env);
}

} // namespace

TEST(DllPlanting, APlantedWintrustIsNotLoadedEvenWhereWineWouldTakeIt) {
    const fs::path dir = DownloadsFolder("dll-plant", "KitbagInstaller-unsigned.exe");

    // The control: a program that loads wintrust by its bare name takes the planted copy.
    RunInstaller(FromBuild(dir / "dll_probe.exe"), "", dir.string(), kNativeWintrustFirst);
    ASSERT_TRUE(fs::exists(dir / kMark)) << "the planted DLL cannot be loaded: nothing is proven";
    fs::remove(dir / kMark);

    // The installer, unsigned: the planted copy would call it valid and let the run go on.
    WineRun run = RunSilently(dir, kNativeWintrustFirst);
    const std::string log = ReadFile((dir / "run.log").string()).value_or("");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, kNotSigned) << log;
    EXPECT_NE(log.find("KitbagInstaller.exe\" is not signed."), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kMark)) << ReadFile((dir / kMark).string()).value_or("");
}

TEST(DllPlanting, TheSignedInstallerStillVerifiesWithTheSystemLibraries) {
    const fs::path dir = DownloadsFolder("dll-plant-signed", "KitbagInstaller.exe");
    WineRun run = RunSilently(dir, kNativeWintrustFirst);
    const std::string log = ReadFile((dir / "run.log").string()).value_or("");
    ASSERT_TRUE(run.finished) << run.output;
    // Verified by wintrust (an unverified silent run would end with kNotSigned), and the
    // program name read by crypt32 from the signature reaches the wizard's arguments.
    EXPECT_EQ(run.exitCode, 0u) << log;
    EXPECT_NE(log.find("BW_I=\"Kitbag Installer\""), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kMark));
}

TEST(DllPlanting, WithoutTheSystemsTrustLibraryNothingCountsAsVerified) {
    const fs::path dir = DownloadsFolder("dll-no-wintrust", "KitbagInstaller.exe");
    // Wine's way of making a DLL unloadable; the planted copy must not stand in for it.
    WineRun run = RunSilently(dir, {{"WINEDLLOVERRIDES", "mscoree,mshtml=;wintrust="}});
    const std::string log = ReadFile((dir / "run.log").string()).value_or("");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, kNotSigned) << log;
    EXPECT_NE(log.find("Cannot load 'wintrust.dll' from the system folder, error "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Digital verification: 'Error is: 0x8007"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kMark));
}

TEST(DllPlanting, ARedirectionBesideTheProgramIsRefusedBeforeAnyCheck) {
    for (bool asFolder : {true, false}) {
        SCOPED_TRACE(asFolder ? "folder" : "file");
        const fs::path dir = DownloadsFolder("dll-local", "KitbagInstaller.exe");
        const fs::path redirection = dir / "KitbagInstaller.exe.local";
        if (asFolder)
            fs::create_directory(redirection);
        else
            std::ofstream(redirection) << "";

        WineRun run = RunSilently(dir);
        const std::string log = ReadFile((dir / "run.log").string()).value_or("");
        ASSERT_TRUE(run.finished) << run.output;
        EXPECT_EQ(run.exitCode, kDllRedirection) << log;
        EXPECT_NE(log.find("DLL redirection '" + WinPath(redirection.string()) +
                           "' beside the program: refusing to run\r\nKitbag cannot run: a "
                           "file or folder ending in '.exe.local' lies beside it"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("Digital verification"), std::string::npos) << log;
        EXPECT_TRUE(fs::is_empty(dir / "temp"));
        EXPECT_TRUE(fs::exists(redirection)) << "left for the user to judge";
    }
}

TEST(DllPlanting, AnInteractiveRunShowsTheRefusal) {
    const fs::path dir = DownloadsFolder("dll-local-shown", "KitbagInstaller.exe");
    fs::create_directory(dir / "KitbagInstaller.exe.local");
    auto run = StartInstaller(FromBuild(dir / "KitbagInstaller.exe"), "log run.log", dir.string());
    ASSERT_TRUE(WaitUntil([] { return InstallerDialogVisible(ListWindows(), "Kitbag"); }, 30000));
    ASSERT_TRUE(SendKeys("Kitbag", {"Return"}));
    WineRun result = run.get();
    ASSERT_TRUE(result.finished) << result.output;
    EXPECT_EQ(result.exitCode, kDllRedirection);
}
