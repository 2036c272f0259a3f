// The .NET Framework check of whole silent runs, against keys the tests write into the
// prefix's registry, in the view the installer under test reads (32-bit or 64-bit).
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kFrameworkMissing = 0x80110409;
const std::string kSetup = "HKLM\\Software\\Microsoft\\NET Framework Setup";
const std::string kNdp = kSetup + "\\NDP\\";

// Empties the framework's setup keys for one test and gives the prefix its .NET 4 back
// afterwards: the other tests share the prefix.
class FrameworkKeys {
public:
    FrameworkKeys() {
        for (const char* view : {"/reg:32", "/reg:64"})
            RunWine({"reg", "delete", kSetup, view, "/f"});
    }
    ~FrameworkKeys() { EXPECT_TRUE(RestorePrefix()); }
    void Dword(const std::string& key, const std::string& name, int value) {
        RunWine({"reg", "add", kNdp + key, "/v", name, "/t", "REG_DWORD", "/d",
                 std::to_string(value), RegistryView(), "/f"});
    }
    void Text(const std::string& key, const std::string& name, const std::string& value) {
        RunWine({"reg", "add", kNdp + key, "/v", name, "/t", "REG_SZ", "/d", value, RegistryView(),
                 "/f"});
    }
    // Keys in the other view must not count: the installer reads its own view only.
    void DwordInTheOtherView(const std::string& key, const std::string& name, int value) {
        RunWine({"reg", "add", kNdp + key, "/v", name, "/t", "REG_DWORD", "/d",
                 std::to_string(value), RegistryView() == "/reg:32" ? "/reg:64" : "/reg:32", "/f"});
    }
};

struct SilentRun {
    WineRun run;
    std::string log;
};

SilentRun RunSilently(const std::string& test, const std::string& exe) {
    std::string dir = FreshFolder(test);
    SilentRun r;
    r.run = RunInstaller(exe, "log \"" + WinPath(dir + "/run.log") + "\" /IAgreeToTheEULA", dir);
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

const std::string kSettingLines = ".NET 2.0 0\r\n.NET 3.0 0\r\n.NET 3.5 0\r\n.NET 4.0 Client 0\r\n"
                                  ".NET 4.0 Full 0\r\n.NET 4.5 Client 0\r\n.NET 4.5 Full 0\r\n";

} // namespace

TEST(DotnetCheck, WithoutAnyFrameworkTheRunStopsAndNamesDotnet2) {
    FrameworkKeys keys;
    keys.DwordInTheOtherView("v2.0.50727", "Install", 1);
    auto r = RunSilently("dotnet_none", "KitbagInstaller.exe");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kFrameworkMissing);
    EXPECT_NE(r.log.find(kSettingLines + ".NET Version Not OK .NET 2 0\r\n"
                                         "Kitbag requires .NET 2. Please download from the "
                                         "Microsoft Download Center and retry.\r\nEnded "),
              std::string::npos)
        << r.log;
}

TEST(DotnetCheck, FullFourAloneIsDetectedWithItsServicingLevel) {
    FrameworkKeys keys;
    keys.Dword("v4\\Full", "Install", 1);
    keys.Dword("v4\\Full", "Servicing", 7);
    // The disk check after it fails, so the log keeps the check's lines.
    auto r = RunSilently("dotnet_full4", "KitbagInstaller-bigdisk.exe");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0x80030070u) << r.log;
    EXPECT_NE(r.log.find(kSettingLines + ".NET 4.0 Full Detected SP 7\r\n.NET Version OK\r\n"),
              std::string::npos)
        << r.log;

    // Install as text is not the number 1: the version is not there.
    keys.Text("v4\\Full", "Install", "1");
    auto t = RunSilently("dotnet_full4_text", "KitbagInstaller-net4full.exe");
    EXPECT_EQ(t.run.exitCode, kFrameworkMissing);
    EXPECT_NE(t.log.find(".NET Version Not OK .NET (full) 4.0 0\r\n"), std::string::npos) << t.log;
}

TEST(DotnetCheck, ServicePackRequirementUsesTheLongerMessage) {
    FrameworkKeys keys;
    keys.Dword("v2.0.50727", "Install", 1);
    keys.Dword("v3.5", "Install", 1);
    keys.Text("v3.5", "Version", "3.5.30729.01");
    keys.Dword("v3.5", "SP", 1);
    auto r = RunSilently("dotnet_35sp2", "KitbagInstaller-net35sp2.exe");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kFrameworkMissing);
    EXPECT_NE(r.log.find(".NET 3.5 2\r\n"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find(".NET 3.5 Detected SP 1\r\n.NET Version Not OK .NET 3.5 2\r\n"
                         "Kitbag requires .NET 3.5 SP 2. Please download from the Microsoft "
                         "Download Center and retry.\r\n"),
              std::string::npos)
        << r.log;
    EXPECT_EQ(r.log.find(".NET 2.0 Detected"), std::string::npos) << "2.0's entry is -1";

    keys.Dword("v3.5", "SP", 2);
    auto ok = RunSilently("dotnet_35sp2_ok", "KitbagInstaller-net35sp2.exe");
    EXPECT_EQ(ok.run.exitCode, 0u);
}
