// The Windows build of kitbag-pack keeps the rules the Linux one keeps: names outside the ANSI
// code page, paths past 260 characters, and links, which that system's C++ library would take
// for what they lead to.
#include "tests/e2e/host_run.h"
#include "tests/e2e/wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// A product whose folder, title and output are far from any ANSI code page (the names of its
// files are ASCII: the installer reads them in that code page), in a folder whose Windows path
// is longer than the 260 characters of the old limit.
TEST(WindowsTools, NamesOutsideTheAnsiCodePageAndLongPathsPackAsOnLinux) {
    const std::string dir = FreshFolder("windows-tools-unicode");
    std::string deep = dir;
    while (WinPath(deep).size() < 280)
        deep += "/" + std::string(60, 'd');
    const std::string folder = deep + "/Prodüct Ω";
    WriteBytes(folder + "/Setup.exe", "MZ the product's program");
    WriteBytes(folder + "/docs/Read me.txt", "read me");
    fs::create_directories(deep + "/linux");
    fs::create_directories(deep + "/windows");
    auto pack = [&](const std::string& tool, const std::string& product,
                    const std::string& output) {
        return std::vector<std::string>{tool,        "--payload",        product,  "--program",
                                        "Setup.exe", "--title",          "Café ☕", "--no-sign",
                                        "--arch",    PackArchitecture(), "-o",     output};
    };
    WineToolRun run = RunWineTool(pack(BuildPath("kitbag-pack.exe"), WinPath(folder),
                                       WinPath(deep + "/windows/Installé.exe")),
                                  dir);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Setting   1  'Café ☕'"), std::string::npos) << run.out;
    HostRun linux =
        RunHost(pack(KITBAG_PACK_TOOL, folder, deep + "/linux/Installé.exe"), dir + "/linux-run");
    ASSERT_EQ(linux.exitCode, 0) << linux.err;
    EXPECT_TRUE(ReadFile(deep + "/windows/Installé.exe") == ReadFile(deep + "/linux/Installé.exe"));
}

// Wine shows a Linux link to a folder as a Windows link (a reparse point): what a junction
// is to the tool.
TEST(WindowsTools, LinksToFoldersAreSeenAsLinks) {
    const std::string dir = FreshFolder("windows-tools-links");
    WriteBytes(dir + "/product/Setup.exe", "MZ the product's program");
    WriteBytes(dir + "/elsewhere/secret.txt", "not the product's");
    fs::create_directory_symlink(dir + "/elsewhere", dir + "/product/shared");
    auto pack = [&](const std::string& product, const std::string& output) {
        return RunWineTool({BuildPath("kitbag-pack.exe"), "--payload", WinPath(product),
                            "--program", "Setup.exe", "--no-sign", "--arch", PackArchitecture(),
                            "-o", output},
                           dir);
    };
    WineToolRun linked = pack(dir + "/product", WinPath(dir + "/Setup.exe"));
    EXPECT_NE(linked.status, 0);
    EXPECT_NE(linked.err.find("'shared' is a link to a folder; copy the folder in instead"),
              std::string::npos)
        << linked.out << linked.err;
    EXPECT_FALSE(FileExists(dir + "/Setup.exe"));

    // The output named through a link that leads into the product folder.
    fs::remove(dir + "/product/shared");
    fs::create_directory_symlink(dir + "/product", dir + "/into-product");
    WineToolRun inside = pack(dir + "/product", WinPath(dir + "/into-product/Setup-new.exe"));
    EXPECT_NE(inside.status, 0);
    EXPECT_NE(inside.err.find("lies inside the folder"), std::string::npos)
        << inside.out << inside.err;
    EXPECT_FALSE(FileExists(dir + "/product/Setup-new.exe"));
}
