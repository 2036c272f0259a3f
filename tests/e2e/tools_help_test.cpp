// What the pack and tag tools say about themselves: help, version, a dry run that writes
// nothing, notes and refusals on standard error, listings on standard output.
#include "host_run.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(ToolsHelp, HelpAndVersionGoToStandardOutputAndEndWithZero) {
    std::string dir = FreshFolder("tools_help");
    HostRun pack = RunHost({KITBAG_PACK_TOOL, "--help"}, dir + "/pack");
    EXPECT_EQ(pack.exitCode, 0);
    EXPECT_EQ(pack.err, "");
    for (const char* option : {"--payload DIR", "--pkcs12", "--timestamp-url", "--no-sign",
                               "--dry-run", "--list SETUP.exe", "--stub STUB.exe", "--dotnet",
                               "--program-name NAME", "--product-version"})
        EXPECT_NE(pack.out.find("\n  " + std::string(option)), std::string::npos) << option;
    HostRun tag = RunHost({KITBAG_TAG_TOOL, "--help"}, dir + "/tag");
    EXPECT_EQ(tag.exitCode, 0);
    EXPECT_NE(tag.out.find("--show"), std::string::npos);
    for (const char* tool : {KITBAG_PACK_TOOL, KITBAG_TAG_TOOL}) {
        HostRun version = RunHost({tool, "--version"}, dir + "/version");
        EXPECT_EQ(version.exitCode, 0) << tool;
        EXPECT_EQ(version.out.rfind("kitbag-", 0), 0u) << version.out;
    }
    // Without arguments, or with a wrong one, the usage goes to standard error.
    HostRun bare = RunHost({KITBAG_PACK_TOOL}, dir + "/bare");
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_EQ(bare.out, "");
    EXPECT_NE(bare.err.find("usage: kitbag-pack"), std::string::npos);
    HostRun wrong = RunHost({KITBAG_PACK_TOOL, "--payloads", "x"}, dir + "/wrong");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_NE(wrong.err.find("unknown argument '--payloads'"), std::string::npos) << wrong.err;
}

TEST(ToolsHelp, ADryRunListsTheNamesAsWrittenNotesEmptyFoldersAndWritesNothing) {
    std::string dir = FreshFolder("tools_dry_run");
    WriteBytes(dir + "/product/Setup.exe", "MZ program");
    WriteBytes(dir + "/product/Lib/Engine.DLL", std::string(1000, 'x'));
    fs::create_directories(dir + "/product/cache/empty");
    const std::string arch = Testing64BitBuild() ? "x64" : "x86";
    HostRun run =
        RunHost({KITBAG_PACK_TOOL, "--payload", dir + "/product", "--program", "Setup.exe",
                 "--arch", arch, "--no-sign", "--dry-run", "-o", dir + "/out/Setup.exe"},
                dir + "/run");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("File      102  Setup.exe  10 bytes, written as 'setup.exe', "
                           "compressed in block 1\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("File      103  Lib\\Engine.DLL  1000 bytes, written as "
                           "'lib\\engine.dll', compressed in block 1\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Would pack 2 files, 1010 bytes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(", compressed in 1 block, not signed; nothing written"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("note: the empty folder 'cache' is left out"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir + "/out")) << "a dry run wrote something";
}
