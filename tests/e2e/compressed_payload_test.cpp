// Products packed with kitbag-pack's defaults, LZMA in solid blocks: a product of real binaries
// against NSIS's LZMA solid installer of the same folder, unpacked byte for byte under Wine
// with its program started; the same bytes from the Windows build of the tool; and a damaged
// block in a re-signed installer, which fails the run before anything starts.
#include "packed_run.h"
#include "tests/tools/random_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kCorruptFile = 0x80040167;

std::string Text(std::size_t lines) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += "setting " + std::to_string(i % 97) + " = value " + std::to_string(i % 13) + "\r\n";
    return text;
}

// The wizard as the program, random bytes (stored: they do not compress), text larger than a
// 64 KiB piece in a folder, and an empty file.
const std::map<std::string, std::string>& ProductFiles() {
    static const std::map<std::string, std::string> files = {
        {"Setup.exe", ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or("")},
        {"lib/deep/Random.bin", RandomBytes(300001, 7)},
        {"docs/Settings.txt", Text(6000)},
        {"empty.dat", ""},
    };
    return files;
}

std::vector<std::string> PackArguments(const std::string& product, const std::string& program,
                                       const std::string& output) {
    return {KITBAG_PACK_TOOL, "--payload",        product, "--program", program,
            "--arch",         PackArchitecture(), "-o",    output};
}

} // namespace

// The payload make bench measures: the sample's files but its random install.bin, and about
// 20 MiB of Wine's own DLLs of the build's architecture, stripped.
TEST(PayloadCompressed, APackOfRealBinariesIsSmallerThanNsisLzmaSolidAndUnpacksAndRuns) {
    const std::string dir = FreshFolder("compressed-binaries");
    const std::string product = dir + "/product";
    HostRun made = RunHost({KITBAG_SOURCE_DIR "/bench/binary_payload.sh", PackArchitecture(),
                            BuildPath("payload/files"), product},
                           dir + "/payload");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string wizard = "Brasswick.Hopwell.UI.exe";
    std::vector<std::string> pack = PackArguments(product, wizard, dir + "/Setup.exe");
    pack.insert(pack.end(), {"--sign-cert", BuildPath("signing/dev-cert.pem"), "--sign-key",
                             BuildPath("signing/dev-key.pem")});
    HostRun packed = RunHost(pack, dir + "/pack");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    HostRun nsis = RunHost({"makensis", "-V1", "-DLZMA", "-DSOLID", "-DPAYLOAD=" + product,
                            "-DWIZARD=" + wizard, "-DOUTFILE=" + dir + "/nsis.exe",
                            KITBAG_SOURCE_DIR "/bench/installer.nsi"},
                           dir + "/nsis");
    ASSERT_EQ(nsis.exitCode, 0) << nsis.out << nsis.err;
    const auto ours = fs::file_size(dir + "/Setup.exe");
    const auto theirs = fs::file_size(dir + "/nsis.exe");
    std::cout << "Kitbag " << ours << " bytes, NSIS LZMA solid " << theirs
              << " bytes: " << static_cast<double>(ours) / static_cast<double>(theirs) << "\n";
    RecordProperty("kitbag_bytes", std::to_string(ours));
    RecordProperty("nsis_lzma_solid_bytes", std::to_string(theirs));
    EXPECT_LT(ours, theirs);

    HostRun list = RunHost({KITBAG_PACK_TOOL, "--list", dir + "/Setup.exe"}, dir + "/list");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.find("would fail"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("'user32.dll'  (compressed in block "), std::string::npos) << list.out;

    if (Testing64BitBuild() == false && std::string(KITBAG_HOST_RUNS_32BIT) != "yes")
        return; // the 32-bit build's files only: nothing of it runs here
    InstallerRun r = RunPacked(dir, dir + "/Setup.exe", "/keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_TRUE(FileExists(r.record)) << "the program was not started\n" << r.log;
    ExpectUnpacked(r, product);
}

class PayloadCompressedRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("compressed-run");
        for (const auto& [name, bytes] : ProductFiles())
            WriteBytes(dir + "/product/" + name, bytes);
        std::vector<std::string> pack =
            PackArguments(dir + "/product", "Setup.exe", dir + "/Unsigned.exe");
        pack.push_back("--no-sign");
        packRun = RunHost(pack, dir + "/pack");
        signRun = Sign(dir + "/Unsigned.exe", dir + "/Setup.exe", dir + "/sign");
    }

    static std::string dir;
    static HostRun packRun;
    static HostRun signRun;
};
std::string PayloadCompressedRun::dir;
HostRun PayloadCompressedRun::packRun;
HostRun PayloadCompressedRun::signRun;

TEST_F(PayloadCompressedRun, UnpacksStoredAndCompressedFilesByteForByteAndStartsTheProgram) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    ASSERT_EQ(signRun.exitCode, 0) << signRun.out << signRun.err;
    const std::string run = FreshFolder("compressed-run-ok");
    InstallerRun r = RunPacked(run, dir + "/Setup.exe", "/keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_TRUE(FileExists(r.record)) << "the program was not started\n" << r.log;
    ExpectUnpacked(r, dir + "/product");
}

TEST_F(PayloadCompressedRun, TheWindowsBuildOfThePackToolWritesTheSameFile) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    EXPECT_NE(packRun.out.find("Compressed 2 files of "), std::string::npos) << packRun.out;
    EXPECT_NE(packRun.out.find("random.bin', stored: it does not compress"), std::string::npos)
        << packRun.out;
    // Both outputs have one name, which the version resource records.
    const std::string tool = FreshFolder("compressed-run-tool");
    fs::create_directories(tool + "/wine");
    const std::string output = RunTool(
        "kitbag-pack.exe", "--payload " + WinPath(dir + "/product") +
                               " --program Setup.exe --no-sign --arch " + PackArchitecture() +
                               " -o " + WinPath(tool + "/wine/Unsigned.exe"));
    ASSERT_TRUE(FileExists(tool + "/wine/Unsigned.exe")) << output;
    EXPECT_TRUE(ReadFile(tool + "/wine/Unsigned.exe") == ReadFile(dir + "/Unsigned.exe")) << output;
}

TEST_F(PayloadCompressedRun, ADamagedBlockFailsTheRunAsACorruptFileBeforeAnythingStarts) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    ASSERT_EQ(signRun.exitCode, 0) << signRun.out << signRun.err;
    const std::string plain = ReadFile(dir + "/Unsigned.exe").value_or("");
    const std::size_t block = plain.find(std::string("KBS\x01\x01\0\0\0\x02\0\0\0", 12));
    ASSERT_NE(block, std::string::npos);
    ASSERT_EQ(plain.find("KBS\x01", block + 1), std::string::npos) << "one block";
    // The members in the block's order: the wizard (machine code) first, then the text.
    const std::size_t stream = block + 20 + 2 * 16;
    const struct {
        const char* what;
        std::size_t offset;
        const char* file; // the first in the installer's order that fails, as it writes it
        const char* reason;
    } rows[] = {
        {"a byte in the stream", stream + 2000, "docs\\settings.txt", ""},
        {"the wizard's checksum", block + 20 + 8, "setup.exe",
         "the unpacked contents fail their checksum"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string run = FreshFolder("compressed-run-damaged");
        std::string damaged = plain;
        damaged[row.offset] = static_cast<char>(damaged[row.offset] ^ 0x10);
        WriteBytes(run + "/Damaged-unsigned.exe", damaged);
        HostRun signing = Sign(run + "/Damaged-unsigned.exe", run + "/Damaged.exe", run + "/sign");
        ASSERT_EQ(signing.exitCode, 0) << signing.out << signing.err;

        InstallerRun r = RunPacked(run, run + "/Damaged.exe", "");
        ASSERT_TRUE(r.run.finished) << r.run.output;
        EXPECT_EQ(r.run.exitCode, kCorruptFile) << r.log;
        const std::string named = "}\\" + std::string(row.file) + "': " + row.reason;
        EXPECT_NE(r.log.find(named), std::string::npos) << r.log;
        EXPECT_NE(r.log.find("Extract File " + std::string(row.file) +
                             " 80040167\r\nRemove folder 'Yes'\r\n"),
                  std::string::npos)
            << r.log;
        EXPECT_FALSE(FileExists(r.record)) << "the program was started\n" << r.log;
        EXPECT_TRUE(fs::is_empty(r.temp)) << "the working folder is left\n" << r.log;
    }
}

// The payload is read from the installer's file a piece at a time, not through its image's
// pages, which would stay in its memory: 48 MiB more of stored data costs the run almost no
// memory, in the image's resources or in the data area after it.
TEST(PayloadCompressed, AStoredPayloadIsReadInPiecesNotKeptInMemory) {
    if (!fs::exists("/usr/bin/time"))
        GTEST_SKIP()
            << "GNU time (/usr/bin/time), which measures the run's peak memory, is missing";
    const std::string dir = FreshFolder("payload-memory");
    auto peakKib = [&](const std::string& name, const std::string& data, bool dataArea = false) {
        WriteBytes(dir + "/" + name + "/Setup.exe", ProductFiles().at("Setup.exe"));
        WriteBytes(dir + "/" + name + "/data.bin", data);
        std::vector<std::string> pack =
            PackArguments(dir + "/" + name, "Setup.exe", dir + "/" + name + ".exe");
        pack.insert(pack.end(), {"--sign-cert", BuildPath("signing/dev-cert.pem"), "--sign-key",
                                 BuildPath("signing/dev-key.pem")});
        if (dataArea)
            pack.push_back("--data-area");
        EXPECT_EQ(RunHost(pack, dir + "/" + name + "-pack").exitCode, 0);
        fs::create_directories(dir + "/temp-" + name);
        HostRun run =
            RunHost({"env", "WINEPREFIX=" KITBAG_WINE_PREFIX, "WINEDEBUG=-all",
                     "KITBAG_32BIT=" KITBAG_HOST_RUNS_32BIT, "/usr/bin/time", "-o",
                     dir + "/" + name + ".peak", "-f", "%M",
                     std::string(KITBAG_SOURCE_DIR) + "/tools/wine.sh", dir + "/" + name + ".exe",
                     "temp", WinPath(dir + "/temp-" + name), "/dontrun", "/IAgreeToTheEULA"},
                    dir + "/" + name + "-run");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return std::stol(ReadFile(dir + "/" + name + ".peak").value_or("0"));
    };
    const long small = peakKib("small", "x");
    const long large = peakKib("large", RandomBytes(48 << 20, 9));
    EXPECT_LT(large - small, 16 << 10) << small << " KiB, then " << large << " KiB";
    const long area = peakKib("area", RandomBytes(48 << 20, 9), true);
    EXPECT_LT(area - small, 16 << 10) << small << " KiB, then " << area << " KiB in the data area";
}
