// The tools as a vendor gets them: the Debian package unpacked into a fresh root, kitbag-pack
// taken from PATH in an empty folder, and the Windows zip unpacked and its tool run under
// Wine. Each packs into its own stubs, never one lying in the folder it runs in; two packs of
// the same inputs are the same bytes, signed ones too when SOURCE_DATE_EPOCH fixes the signing
// time, and otherwise they differ only in the signature and the checksum that covers it.
#include "host_run.h"
#include "pe_image.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The one file of the dist folder whose name starts with prefix and ends with suffix.
std::string DistFile(const std::string& prefix, const std::string& suffix) {
    std::string found;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(KITBAG_DIST_DIR, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            found = entry.path().string();
    }
    return found;
}

// Where "PE\0\0" is.
std::size_t PeHeader(const std::string& image) {
    std::uint32_t header = 0;
    for (int i = 0; i < 4 && image.size() >= 0x40; ++i)
        header |= std::uint32_t(std::uint8_t(image[0x3C + i])) << (8 * i);
    return std::min<std::size_t>(header, image.size());
}

// The image before its signature, with the PE checksum and the certificate-table entry zeroed:
// what two signatures of the same image leave alike.
std::string Unsigned(const std::string& image) {
    auto facts = ReadPeFacts(image);
    if (!facts || facts->certificateTableSize == 0)
        return "not signed";
    std::uint32_t offset = 0;
    for (int i = 0; i < 4; ++i)
        offset |= std::uint32_t(std::uint8_t(image[facts->certificateEntry + i])) << (8 * i);
    std::string before = image.substr(0, offset);
    before.replace(PeHeader(image) + 24 + 64, 4, 4, '\0'); // CheckSum
    before.replace(facts->certificateEntry, 8, 8, '\0');
    return before;
}

class ShippedPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("shipped-package");
        WriteBytes(dir + "/product/Setup.exe",
                   ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
        WriteBytes(dir + "/product/docs/Read Me.txt", std::string(5000, 'k'));
        deb = DistFile("kitbag_", ".deb");
        zip = DistFile("kitbag-", "-windows.zip");
        unpacked = RunHost({"dpkg-deb", "-x", deb, dir + "/root"}, dir + "/unpack");
    }

    // kitbag-pack from PATH, started in an empty folder of its own that holds a planted stub;
    // `name` is the folder, and the installer written in it is Setup.exe.
    static HostRun PackFromPath(const std::string& name, const std::vector<std::string>& more,
                                const std::string& epoch = "", const std::string& pathHead = "") {
        const std::string work = dir + "/" + name;
        WriteBytes(work + "/KitbagInstaller-stub.exe", "MZ planted, not a stub");
        std::string command = "cd " + ShellQuote(work) +
                              " && kitbag-pack --payload ../product "
                              "--program Setup.exe --arch " +
                              PackArchitecture() + " -o Setup.exe";
        for (const std::string& option : more)
            command += " " + ShellQuote(option);
        std::vector<std::string> argv = {"env",
                                         "PATH=" + pathHead + dir + "/root/usr/bin:/usr/bin:/bin"};
        if (!epoch.empty())
            argv.push_back("SOURCE_DATE_EPOCH=" + epoch);
        argv.insert(argv.end(), {"sh", "-c", command});
        return RunHost(argv, dir + "/" + name + "-run");
    }

    static std::vector<std::string> SignOptions() {
        return {"--sign-cert", BuildPath("signing/dev-cert.pem"), "--sign-key",
                BuildPath("signing/dev-key.pem")};
    }

    static std::string Packed(const std::string& name) {
        return ReadFile(dir + "/" + name + "/Setup.exe").value_or("missing");
    }

    static std::string dir, deb, zip;
    static HostRun unpacked;
};
std::string ShippedPackage::dir, ShippedPackage::deb, ShippedPackage::zip;
HostRun ShippedPackage::unpacked;

TEST_F(ShippedPackage, KitbagPackFromPathUsesThePackagesStubAndItsInstallerRuns) {
    ASSERT_FALSE(deb.empty()) << "no Debian package in " KITBAG_DIST_DIR " (make dist makes it)";
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    HostRun packed = PackFromPath("signed", SignOptions(), "1700000000");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    const std::string stub =
        dir + "/root/usr/share/kitbag/" + PackArchitecture() + "/KitbagInstaller-stub.exe";
    EXPECT_NE(packed.out.find("from the stub '" + stub + "'"), std::string::npos) << packed.out;
    EXPECT_TRUE(FileExists(dir + "/root/usr/share/man/man1/kitbag-pack.1.gz"));

    if (!Testing64BitBuild() && std::string(KITBAG_HOST_RUNS_32BIT) != "yes")
        return; // the 32-bit build's files only: nothing of it runs here
    const std::string run = FreshFolder("shipped-package-run");
    fs::create_directories(run + "/temp");
    WineRun r = RunInstaller(
        fs::relative(dir + "/signed/Setup.exe", BuildPath("")).string(),
        "log \"" + WinPath(run + "/run.log") + "\" temp \"" + WinPath(run + "/temp") +
            "\" /IAgreeToTheEULA",
        run,
        {{"KITBAG_WIZARD_RECORD", WinPath(run + "/record.txt")}, {"KITBAG_WIZARD_WINDOW", "none"}});
    ASSERT_TRUE(r.finished) << r.output;
    EXPECT_EQ(r.exitCode, 0u) << ReadFile(run + "/run.log").value_or("");
    EXPECT_TRUE(FileExists(run + "/record.txt")) << "the program was not started";
}

TEST_F(ShippedPackage, TwoPacksOfTheSameInputsAreTheSameBytesButForAnUnfixedSigningTime) {
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    for (const char* name : {"plain-1", "plain-2"})
        ASSERT_EQ(PackFromPath(name, {"--no-sign"}).exitCode, 0) << name;
    EXPECT_TRUE(Packed("plain-1") == Packed("plain-2"));

    for (const char* name : {"fixed-1", "fixed-2"})
        ASSERT_EQ(PackFromPath(name, SignOptions(), "1700000000").exitCode, 0) << name;
    EXPECT_TRUE(Packed("fixed-1") == Packed("fixed-2"));
    HostRun verified = RunHost(
        {"sbverify", "--cert", BuildPath("signing/dev-cert.pem"), dir + "/fixed-1/Setup.exe"},
        dir + "/sbverify");
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    // The header's time is the stub's, or SOURCE_DATE_EPOCH.
    const auto headerTime = [](const std::string& image) {
        return image.substr(PeHeader(image) + 8, 4);
    };
    EXPECT_EQ(headerTime(Packed("plain-1")),
              headerTime(ReadFile(dir + "/root/usr/share/kitbag/" + PackArchitecture() +
                                  "/KitbagInstaller-stub.exe")
                             .value_or("")));
    EXPECT_EQ(headerTime(Packed("fixed-1")), std::string("\x00\xF1\x53\x65", 4));

    // The signing time is the time of day, in seconds: a second apart, the signatures differ.
    ASSERT_EQ(PackFromPath("timed-1", SignOptions()).exitCode, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_EQ(PackFromPath("timed-2", SignOptions()).exitCode, 0);
    EXPECT_FALSE(Packed("timed-1") == Packed("timed-2"));
    EXPECT_GT(Unsigned(Packed("timed-1")).size(), 100000u) << "signed";
    EXPECT_TRUE(Unsigned(Packed("timed-1")) == Unsigned(Packed("timed-2")));

    HostRun refused = PackFromPath("bad-epoch", SignOptions(), "yesterday");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("SOURCE_DATE_EPOCH is 'yesterday'"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(FileExists(dir + "/bad-epoch/Setup.exe"));
}

TEST_F(ShippedPackage, TheWindowsZipsToolPacksTheSameBytesWithItsOwnStub) {
    if (std::string(KITBAG_HOST_RUNS_32BIT) != "yes")
        GTEST_SKIP() << "the zip's tools are 32-bit programs, which do not run on this machine";
    ASSERT_FALSE(zip.empty()) << "no Windows zip in " KITBAG_DIST_DIR " (make dist makes it)";
    HostRun extracted =
        RunHost({"python3", "-m", "zipfile", "-e", zip, dir + "/zip"}, dir + "/unzip");
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    const std::string tool = fs::path(zip).stem().string();
    const std::string work = dir + "/windows";
    WriteBytes(work + "/KitbagInstaller-stub.exe", "MZ planted, not a stub");
    const int status = RunWineStatus(
        {WinPath(dir + "/zip/" + tool + "/kitbag-pack.exe"), "--payload", WinPath(dir + "/product"),
         "--program", "Setup.exe", "--arch", PackArchitecture(), "--no-sign", "-o", "Setup.exe"},
        work);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(PackFromPath("linux-plain", {"--no-sign"}).exitCode, 0);
    EXPECT_TRUE(Packed("windows") == Packed("linux-plain"));
}

// PATH entries that mean the current folder ("", ".") are passed over on Linux; the Windows
// tool, which the C runtime's own search would have let run a planted osslsigncode.bat,
// finds no osslsigncode.exe on Wine's PATH and says so.
TEST_F(ShippedPackage, AnOsslsigncodePlantedInTheWorkingFolderIsNeverRun) {
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    const std::string planted = "#!/bin/sh\ntouch planted-signer-ran\nexit 1\n";
    WriteBytes(dir + "/planted/osslsigncode", planted);
    fs::permissions(dir + "/planted/osslsigncode", fs::perms::owner_all);
    HostRun packed = PackFromPath("planted", SignOptions(), "", ":.:");
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_NE(packed.out.find("Signing   with '/usr/bin/osslsigncode'"), std::string::npos)
        << packed.out;
    EXPECT_FALSE(FileExists(dir + "/planted/planted-signer-ran"));

    if (std::string(KITBAG_HOST_RUNS_32BIT) != "yes" || zip.empty())
        return; // the zip's tools are 32-bit programs
    const std::string work = dir + "/planted-windows";
    WriteBytes(work + "/osslsigncode.bat", "echo ran> planted-signer-ran\r\n");
    RunHost({"python3", "-m", "zipfile", "-e", zip, dir + "/zip"}, dir + "/unzip");
    const std::string tool = dir + "/zip/" + fs::path(zip).stem().string() + "/kitbag-pack.exe";
    std::vector<std::string> argv = {WinPath(tool),      "--payload", WinPath(dir + "/product"),
                                     "--program",        "Setup.exe", "--arch",
                                     PackArchitecture(), "-o",        "Setup.exe"};
    for (const std::string& option : SignOptions())
        argv.push_back(option.find('/') == 0 ? WinPath(option) : option);
    EXPECT_NE(RunWineStatus(argv, work), 0);
    EXPECT_FALSE(FileExists(work + "/planted-signer-ran"));
    EXPECT_FALSE(FileExists(work + "/Setup.exe"));
}

} // namespace
