// A product folder packed into a signed installer, tagged with information, and run under
// Wine; and what both tools refuse.
#include "host_run.h"
#include "pe_image.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < n) {
        bytes.push_back(static_cast<char>(random()));
        if (bytes.size() >= 4 && bytes.compare(bytes.size() - 4, 4, "MRDC") == 0)
            bytes.pop_back();
    }
    return bytes;
}

std::vector<std::string> SigningArguments() {
    return {"--sign-cert", BuildPath("signing/dev-cert.pem"), "--sign-key",
            BuildPath("signing/dev-key.pem")};
}

// The product: the stand-in wizard as its program, files in nested folders, an empty file.
const std::map<std::string, std::string>& ProductFiles() {
    static const std::map<std::string, std::string> files = {
        {"Setup.exe", ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or("")},
        {"lib/deep/Data.bin", RandomBytes(300000, 1)},
        {"docs/Read Me.txt", "Read me first.\r\n"},
        {"empty.dat", ""},
    };
    return files;
}

class PackAndTag : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("pack_and_tag");
        for (const auto& [name, bytes] : ProductFiles())
            WriteBytes(dir + "/product/" + name, bytes);
        information = RandomBytes(999, 2) + std::string(1, '\0');
        WriteBytes(dir + "/info.bin", information);
        std::vector<std::string> pack = {KITBAG_PACK_TOOL,
                                         "--payload",
                                         dir + "/product",
                                         "--program",
                                         "Setup.exe",
                                         "--title",
                                         "Acme Product",
                                         "--admin-install",
                                         "0",
                                         "--program-name",
                                         "AcmeName",
                                         "--disk-mb",
                                         "1",
                                         "--arch",
                                         PackArchitecture(),
                                         "-o",
                                         dir + "/Setup.exe"};
        for (const auto& a : SigningArguments())
            pack.push_back(a);
        packRun = RunHost(pack, dir + "/pack");
        tagRun = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Setup.exe", "--info", dir + "/info.bin",
                          "-o", dir + "/Tagged.exe"},
                         dir + "/tag");
    }

    static std::string dir;
    static std::string information;
    static HostRun packRun;
    static HostRun tagRun;
};
std::string PackAndTag::dir;
std::string PackAndTag::information;
HostRun PackAndTag::packRun;
HostRun PackAndTag::tagRun;

TEST_F(PackAndTag, PackReportsEveryFileAndTheTagKeepsTheSignatureValid) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    for (const char* name : {"Setup.exe", "lib\\deep\\Data.bin", "docs\\Read Me.txt", "empty.dat"})
        EXPECT_NE(packRun.out.find(std::string("  ") + name + "  "), std::string::npos) << name;
    EXPECT_NE(packRun.out.find("Packed 4 files, "), std::string::npos) << packRun.out;
    EXPECT_NE(packRun.out.find("Installer " + PackArchitecture() + "  from the stub '"),
              std::string::npos)
        << packRun.out;
    EXPECT_NE(packRun.out.find(" bytes, " + PackArchitecture() + ", signed\n"), std::string::npos)
        << packRun.out;
    ASSERT_EQ(tagRun.exitCode, 0) << tagRun.err;

    for (const char* exe : {"/Setup.exe", "/Tagged.exe"}) {
        HostRun verify = RunHost({"osslsigncode", "verify", "-CAfile",
                                  BuildPath("signing/dev-cert.pem"), "-in", dir + exe},
                                 dir + "/verify");
        EXPECT_EQ(verify.exitCode, 0) << exe << verify.out << verify.err;
    }

    // The certificate entry holds one DER object and nothing after it.
    std::string tagged = ReadFile(dir + "/Tagged.exe").value_or("");
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(tagged[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(tagged[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(tagged[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(tagged[at + 3])) << 24;
    };
    std::size_t directory = ReadPeFacts(tagged).value().certificateEntry;
    std::size_t table = u32(directory), tableSize = u32(directory + 4);
    ASSERT_EQ(table + tableSize, tagged.size());
    ASSERT_EQ(u32(table), tableSize);
    EXPECT_EQ(tableSize % 8, 0u);
    WriteBytes(dir + "/entry.der", tagged.substr(table + 8));
    HostRun parse = RunHost({"openssl", "asn1parse", "-inform", "DER", "-in", dir + "/entry.der"},
                            dir + "/asn1");
    ASSERT_EQ(parse.exitCode, 0) << parse.err;
    std::size_t header = 0, length = 0;
    ASSERT_EQ(std::sscanf(parse.out.c_str(), "    0:d=0  hl=%zu l=%zu", &header, &length), 2)
        << parse.out.substr(0, 200);
    EXPECT_EQ(header + length, tableSize - 8);
    EXPECT_EQ(parse.out.find(":d=0 ", parse.out.find('\n')), std::string::npos)
        << "a second top-level object";

    EXPECT_EQ(tagged.substr(tagged.size() - information.size() - 10),
              "MRDC" + information + std::string(6, '\0'));
    HostRun show = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Tagged.exe", "--show"}, dir + "/show");
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.out, information);
}

TEST_F(PackAndTag, ASignatureNestedAfterTaggingIsRefusedByShowUntilTaggedAgain) {
    ASSERT_EQ(tagRun.exitCode, 0) << tagRun.err;
    std::vector<std::string> nest = {"osslsigncode", "sign", "-nest", "-h", "sha256"};
    for (const auto& a : SigningArguments())
        nest.push_back(a == "--sign-cert" ? "-certs" : a == "--sign-key" ? "-key" : a);
    nest.insert(nest.end(), {"-in", dir + "/Tagged.exe", "-out", dir + "/Nested.exe"});
    HostRun nested = RunHost(nest, dir + "/nest");
    ASSERT_EQ(nested.exitCode, 0) << nested.out << nested.err;

    HostRun show = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Nested.exe", "--show"}, dir + "/show");
    EXPECT_EQ(show.exitCode, 2) << show.out;
    EXPECT_EQ(show.out, "");
    EXPECT_NE(show.err.find("signed again after it was tagged"), std::string::npos) << show.err;

    HostRun again = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Nested.exe", "--info",
                             dir + "/info.bin", "-o", dir + "/Retagged.exe"},
                            dir + "/retag");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    show = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Retagged.exe", "--show"}, dir + "/show");
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.out, information);
    HostRun verify = RunHost({"osslsigncode", "verify", "-CAfile",
                              BuildPath("signing/dev-cert.pem"), "-in", dir + "/Retagged.exe"},
                             dir + "/verify");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    EXPECT_NE(verify.out.find("Number of verified signatures: 2"), std::string::npos) << verify.out;
}

TEST_F(PackAndTag, InstallerVerifiesUnpacksTheFolderAndWritesTheTagUnderWine) {
    ASSERT_EQ(tagRun.exitCode, 0) << packRun.err << tagRun.err;
    std::string base = dir + "/base";
    std::string exe = fs::relative(dir + "/Tagged.exe", BuildPath("")).string();
    auto run = RunInstaller(
        exe, "log run.log temp \"" + WinPath(base) + "\" /keep /IAgreeToTheEULA", dir,
        {{"KITBAG_WIZARD_RECORD", WinPath(dir + "/record.txt")}, {"KITBAG_WIZARD_WINDOW", "none"}});
    ASSERT_TRUE(run.finished) << run.output;
    // A silent run whose signature does not verify ends with 0x800B0100 before anything else.
    EXPECT_EQ(run.exitCode, 0u);
    std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_NE(log.find("BW_I=\"AcmeName\""), std::string::npos) << log;

    std::string tampered = ReadFile(dir + "/Tagged.exe").value_or("");
    tampered[0x1000] = static_cast<char>(tampered[0x1000] ^ 1);
    WriteBytes(dir + "/Tampered.exe", tampered);
    auto bad = RunInstaller(fs::relative(dir + "/Tampered.exe", BuildPath("")).string(),
                            "/IAgreeToTheEULA", dir);
    EXPECT_EQ(bad.exitCode, 0x800B0100u) << bad.output;

    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(base))
        folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u) << log;
    for (const auto& [name, bytes] : ProductFiles()) {
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(ReadFile((folders[0] / lower).string()), bytes) << lower;
    }
    EXPECT_EQ(ReadFile((folders[0] / "info.xml").string()), information);
    EXPECT_TRUE(FileExists(dir + "/record.txt")) << "the program was not started\n" << log;
}

TEST_F(PackAndTag, WindowsBuildOfTheToolsWritesTheSameFiles) {
    ASSERT_EQ(tagRun.exitCode, 0) << packRun.err << tagRun.err;
    // No blank in any argument: the helper splits the Windows program's arguments at blanks.
    // The same file name in two folders: the name is written into the version resource.
    fs::create_directories(dir + "/host");
    fs::create_directories(dir + "/wine");
    // The splash is compressed by each build of the tool alike.
    const std::string splash = BuildPath("artwork/splash.bmp");
    HostRun host = RunHost({KITBAG_PACK_TOOL, "--payload", dir + "/product", "--program",
                            "Setup.exe", "--title", "Acme", "--arch", PackArchitecture(),
                            "--splash", splash, "--no-sign", "-o", dir + "/host/Same.exe"},
                           dir + "/host");
    ASSERT_EQ(host.exitCode, 0) << host.err;
    std::string packed =
        RunTool("kitbag-pack.exe", "--payload " + WinPath(dir + "/product") +
                                       " --program Setup.exe --title Acme --splash " +
                                       WinPath(splash) + " --no-sign --arch " + PackArchitecture() +
                                       " -o " + WinPath(dir + "/wine/Same.exe"));
    ASSERT_TRUE(FileExists(dir + "/wine/Same.exe")) << packed;
    EXPECT_TRUE(ReadFile(dir + "/wine/Same.exe") == ReadFile(dir + "/host/Same.exe")) << packed;

    RunTool("kitbag-tag.exe", "--in " + WinPath(dir + "/Setup.exe") + " --info " +
                                  WinPath(dir + "/info.bin") + " -o " +
                                  WinPath(dir + "/wine-tagged.exe"));
    EXPECT_TRUE(ReadFile(dir + "/wine-tagged.exe") == ReadFile(dir + "/Tagged.exe"));
}

TEST_F(PackAndTag, ResourcesAreTheDefaultBuildsWithTheProductsSettingsAndFiles) {
    ASSERT_EQ(tagRun.exitCode, 0) << packRun.err << tagRun.err;
    auto expected = ResourceFacts(BuildPath("KitbagInstaller.exe"));
    ASSERT_FALSE(expected.empty());
    for (auto at = expected.begin(); at != expected.end();)
        at = at->first.rfind("toolkit[", 0) == 0 ? expected.erase(at) : std::next(at);
    expected["string[1]"] = "Acme Product";
    expected["string[103]"] = "1";
    expected["string[145]"] = "0";
    expected["string[201]"] = "AcmeName";
    expected["versionstring[OriginalFilename]"] = "Setup.exe";
    expected["versionstring[ProductName]"] = "Acme Product";
    std::string manifest =
        "102*Setup.exe*" + std::to_string(ProductFiles().at("Setup.exe").size()) +
        "*103*docs\\Read Me.txt*16*104*empty.dat*0*105*lib\\deep\\Data.bin*300000";
    expected["toolkit[101]"] = std::to_string(manifest.size());
    // The program and the text are compressed in a block after the files; the random data
    // and the empty file are stored.
    expected["toolkit[102]"] = "0";
    expected["toolkit[103]"] = "0";
    expected["toolkit[104]"] = "0";
    expected["toolkit[105]"] = "300000";
    auto facts = ResourceFacts(dir + "/Tagged.exe");
    ASSERT_TRUE(facts.count("toolkit[106]"));
    EXPECT_LT(std::stoul(facts["toolkit[106]"]), ProductFiles().at("Setup.exe").size());
    expected["toolkit[106]"] = facts["toolkit[106]"];
    EXPECT_EQ(facts, expected);
}

struct Refusal {
    std::string what;
    std::map<std::string, std::string> files; // the product folder
    std::string program;
    std::string reason;                  // what the message must say
    std::vector<std::string> extra = {}; // more options
};

TEST(PackRefusals, EachEndsNonZeroWithItsReasonAndWritesNothing) {
    std::string wizard = "MZ program";
    const std::string otherStub = Testing64BitBuild()
                                      ? KITBAG_WINDOWS_BUILD_DIR "/KitbagInstaller-stub.exe"
                                      : KITBAG_WINDOWS64_BUILD_DIR "/KitbagInstaller-stub.exe";
    const std::string otherArchitecture = Testing64BitBuild() ? "x86" : "x64";
    const std::vector<Refusal> rows = {
        {"a name with the manifest's separator",
         {{"setup.exe", wizard}, {"a*b.txt", "x"}},
         "setup.exe",
         "it holds '*', the manifest's separator"},
        {"a drive",
         {{"setup.exe", wizard}, {"C:evil.dll", "x"}},
         "setup.exe",
         "it holds ':' (a drive or a stream)"},
        {"a leading backslash",
         {{"setup.exe", wizard}, {"\\evil.dll", "x"}},
         "setup.exe",
         "it starts with a backslash"},
        {"a backslash inside a name",
         {{"setup.exe", wizard}, {"lib\\..\\x.dll", "x"}},
         "setup.exe",
         "a file or folder name holds a backslash"},
        {"names differing in case",
         {{"setup.exe", wizard}, {"a.txt", "x"}, {"A.txt", "y"}},
         "setup.exe",
         "differ only in case"},
        {"a name too long",
         {{"setup.exe", wizard}, {std::string(156, 'n'), "x"}},
         "setup.exe",
         "it has 156 characters"},
        {"an empty folder", {}, "setup.exe", "the folder holds no files"},
        {"a program not in the folder",
         {{"setup.exe", wizard}},
         "other.exe",
         "the program 'other.exe' is not in the folder"},
        {"a program that would not run",
         {{"setup.cmd", "@echo"}},
         "setup.cmd",
         "the installer would not start 'setup.cmd'"},
        {"an architecture that is not built",
         {{"setup.exe", wizard}},
         "setup.exe",
         "--arch is x86 or x64",
         {"--arch", "arm64"}},
        {"a stub of the other architecture",
         {{"setup.exe", wizard}},
         "setup.exe",
         "is an " + otherArchitecture + " installer, not " + PackArchitecture(),
         {"--arch", PackArchitecture(), "--stub", otherStub}},
    };
    for (const auto& row : rows) {
        std::string dir = FreshFolder("pack_refusal");
        fs::create_directories(dir + "/product");
        for (const auto& [name, bytes] : row.files)
            WriteBytes(dir + "/product/" + name, bytes);
        std::vector<std::string> argv = {
            KITBAG_PACK_TOOL, "--payload", dir + "/product",       "--program",
            row.program,      "-o",        dir + "/out/Setup.exe", "--no-sign"};
        argv.insert(argv.end(), row.extra.begin(), row.extra.end());
        HostRun run = RunHost(argv, dir + "/run");
        EXPECT_NE(run.exitCode, 0) << row.what;
        EXPECT_NE(run.err.find("kitbag-pack: "), std::string::npos) << row.what;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.what << ": " << run.err;
        EXPECT_FALSE(fs::exists(dir + "/out/Setup.exe")) << row.what;
    }
}

TEST(TagRefusals, EachEndsNonZeroWithItsReasonAndWritesNothing) {
    std::string dir = FreshFolder("tag_refusal");
    fs::copy_file(BuildPath("KitbagInstaller.exe"), dir + "/signed.exe");
    std::string notLast = ReadFile(dir + "/signed.exe").value_or("") + std::string(8, 'x');
    WriteBytes(dir + "/notlast.exe", notLast);
    WriteBytes(dir + "/small.info", "key=1");
    WriteBytes(dir + "/big.info", std::string(4107, 'b'));
    WriteBytes(dir + "/empty.info", "");
    const struct {
        std::string in, info, reason;
    } rows[] = {
        {BuildPath("KitbagInstaller-unsigned.exe"), "small.info", "the file is not signed"},
        {dir + "/notlast.exe", "small.info", "the certificate table is not the last thing"},
        {dir + "/signed.exe", "big.info", "it is 4107"},
        {dir + "/signed.exe", "empty.info", "it is 0"},
    };
    for (const auto& row : rows) {
        HostRun run = RunHost({KITBAG_TAG_TOOL, "--in", row.in, "--info", dir + "/" + row.info,
                               "-o", dir + "/out.exe"},
                              dir + "/run");
        EXPECT_NE(run.exitCode, 0) << row.in << " " << row.info;
        EXPECT_NE(run.err.find("kitbag-tag: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.reason << ": " << run.err;
        EXPECT_FALSE(fs::exists(dir + "/out.exe")) << row.in << " " << row.info;
    }
    std::size_t leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        leftovers += entry.path().string().find("partial") != std::string::npos;
    EXPECT_EQ(leftovers, 0u);
}

} // namespace
