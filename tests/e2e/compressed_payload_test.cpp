// A product packed with kitbag-pack --compress: how much smaller it is, that the installer
// unpacks it byte for byte under Wine and starts its program, and that a damaged compressed
// resource in a re-signed installer fails the run before anything starts.
#include "host_run.h"
#include "wine_harness.h"
#include "tests/tools/random_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kFail = 0x80004005;

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Text(std::size_t lines) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
        text += "setting " + std::to_string(i % 97) + " = value " + std::to_string(i % 13) + "\r\n";
    return text;
}

// The wizard as the program, a file of random bytes (deflate keeps them in stored blocks), text
// larger than the installer's 64 KiB piece, a file that begins like a compressed resource, and
// an empty one. Each size is unique, so a resource is found in the image by its header.
const std::map<std::string, std::string>& ProductFiles() {
    static const std::map<std::string, std::string> files = {
        {"Setup.exe", ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or("")},
        {"lib/deep/Random.bin", RandomBytes(300001, 7)},
        {"docs/Settings.txt", Text(6000)},
        {"Looks Compressed.dat", std::string("KBZ\x01\x08\0\0\0", 8) + Text(3)},
        {"empty.dat", ""},
    };
    return files;
}

std::vector<std::string> PackArguments(const std::string& product, const std::string& output) {
    return {KITBAG_PACK_TOOL, "--payload",        product,      "--program", "Setup.exe",
            "--arch",         PackArchitecture(), "--compress", "-o",        output};
}

HostRun Sign(const std::string& in, const std::string& out, const std::string& scratch) {
    return RunHost({"osslsigncode", "sign", "-certs", BuildPath("signing/dev-cert.pem"), "-key",
                    BuildPath("signing/dev-key.pem"), "-in", in, "-out", out},
                   scratch);
}

// Where the compressed resource of a file of `size` bytes starts in image: its header's
// magic, method and size, found once.
std::size_t FindResource(const std::string& image, std::size_t size) {
    std::string header("KBZ\x01\x08\0\0\0", 8);
    for (int i = 0; i < 4; ++i)
        header.push_back(static_cast<char>(size >> (8 * i)));
    const std::size_t at = image.find(header);
    EXPECT_NE(at, std::string::npos) << size;
    EXPECT_EQ(image.find(header, at + 1), std::string::npos) << size;
    return at;
}

struct InstallerRun {
    WineRun run;
    std::string log;
    std::string temp;
    std::string record;
};

InstallerRun RunPacked(const std::string& dir, const std::string& exe, const std::string& more) {
    InstallerRun r;
    r.temp = dir + "/temp";
    r.record = dir + "/record.txt";
    fs::create_directories(r.temp);
    fs::remove(r.record);
    r.run = RunInstaller(
        fs::relative(exe, BuildPath("")).string(),
        "log \"" + WinPath(dir + "/run.log") + "\" temp \"" + WinPath(r.temp) + "\" " + more +
            " /IAgreeToTheEULA",
        dir, {{"KITBAG_WIZARD_RECORD", WinPath(r.record)}, {"KITBAG_WIZARD_WINDOW", "none"}});
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

} // namespace

TEST(PayloadCompressed, APackOfTheBuildsProgramsIsAboutAThirdOfTheStoredOne) {
    const std::string dir = FreshFolder("compressed-ratio");
    fs::create_directories(dir + "/product");
    // Every program of the build that carries no payload of its own, the stub included.
    std::size_t programs = 0;
    for (const auto& entry : fs::directory_iterator(BuildPath(""))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".exe" ||
            (name.rfind("KitbagInstaller", 0) == 0 && name != "KitbagInstaller-stub.exe"))
            continue;
        fs::copy_file(entry.path(), dir + "/product/" + name, fs::copy_options::none);
        ++programs;
    }
    ASSERT_GE(programs, 5u);
    fs::copy_file(BuildPath("wizard/Brasswick.Hopwell.UI.exe"), dir + "/product/Setup.exe");

    std::vector<std::string> stored = PackArguments(dir + "/product", dir + "/stored.exe");
    stored.erase(std::find(stored.begin(), stored.end(), "--compress"));
    stored.push_back("--no-sign");
    HostRun plain = RunHost(stored, dir + "/stored");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    std::vector<std::string> compress = PackArguments(dir + "/product", dir + "/compressed.exe");
    compress.push_back("--no-sign");
    HostRun packed = RunHost(compress, dir + "/compressed");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;

    const auto storedSize = fs::file_size(dir + "/stored.exe");
    const auto compressedSize = fs::file_size(dir + "/compressed.exe");
    const double ratio = static_cast<double>(compressedSize) / static_cast<double>(storedSize);
    std::cout << "stored pack " << storedSize << " bytes, compressed pack " << compressedSize
              << " bytes: " << static_cast<int>(ratio * 1000) / 10.0 << "%\n";
    RecordProperty("stored_bytes", std::to_string(storedSize));
    RecordProperty("compressed_bytes", std::to_string(compressedSize));
    EXPECT_LT(ratio, 0.5);
    EXPECT_NE(packed.out.find("Compressed " + std::to_string(programs + 1) + " files of "),
              std::string::npos)
        << packed.out;

    HostRun list = RunHost({KITBAG_PACK_TOOL, "--list", dir + "/compressed.exe"}, dir + "/list");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::size_t compressedLines = 0;
    for (std::size_t at = 0; (at = list.out.find("  (compressed, ", at)) != std::string::npos; ++at)
        ++compressedLines;
    EXPECT_EQ(compressedLines, programs + 1) << list.out;
    EXPECT_EQ(list.out.find("would fail"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(std::to_string(programs + 1) + " of them compressed"),
              std::string::npos)
        << list.out;
}

class PayloadCompressedRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("compressed-run");
        for (const auto& [name, bytes] : ProductFiles())
            WriteBytes(dir + "/product/" + name, bytes);
        std::vector<std::string> pack = PackArguments(dir + "/product", dir + "/Unsigned.exe");
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

TEST_F(PayloadCompressedRun, UnpacksByteForByteAndStartsTheProgram) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    ASSERT_EQ(signRun.exitCode, 0) << signRun.out << signRun.err;
    const std::string run = FreshFolder("compressed-run-ok");
    InstallerRun r = RunPacked(run, dir + "/Setup.exe", "/keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_TRUE(FileExists(r.record)) << "the program was not started\n" << r.log;

    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(r.temp))
        folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u) << r.log;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folders[0]))
        files += entry.is_regular_file();
    EXPECT_EQ(files, ProductFiles().size());
    for (const auto& [name, bytes] : ProductFiles()) {
        EXPECT_TRUE(ReadFile((folders[0] / Lower(name)).string()) == bytes) << name;
        std::string logged = Lower(name);
        std::replace(logged.begin(), logged.end(), '/', '\\');
        EXPECT_NE(r.log.find("Extract File " + logged + " 0\r\n"), std::string::npos) << r.log;
    }
}

TEST_F(PayloadCompressedRun, TheWindowsBuildOfThePackToolWritesTheSameFile) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    // No blank in any argument: the helper splits the Windows program's arguments at blanks.
    // Both outputs have one name, which the version resource records.
    const std::string tool = FreshFolder("compressed-run-tool");
    const std::string product = tool + "/product";
    for (const auto& [name, bytes] : ProductFiles())
        if (name.find(' ') == std::string::npos)
            WriteBytes(product + "/" + name, bytes);
    fs::create_directories(tool + "/host");
    fs::create_directories(tool + "/wine");
    std::vector<std::string> pack = PackArguments(product, tool + "/host/Setup.exe");
    pack.push_back("--no-sign");
    HostRun host = RunHost(pack, tool + "/host-run");
    ASSERT_EQ(host.exitCode, 0) << host.err;
    const std::string output = RunTool(
        "kitbag-pack.exe", "--payload " + WinPath(product) +
                               " --program Setup.exe --compress --no-sign --arch " +
                               PackArchitecture() + " -o " + WinPath(tool + "/wine/Setup.exe"));
    ASSERT_TRUE(FileExists(tool + "/wine/Setup.exe")) << output;
    EXPECT_TRUE(ReadFile(tool + "/wine/Setup.exe") == ReadFile(tool + "/host/Setup.exe")) << output;
    EXPECT_NE(output.find("Compressed 4 files of "), std::string::npos) << output;
}

TEST_F(PayloadCompressedRun, ADamagedResourceFailsTheRunBeforeAnythingStarts) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    const std::string plain = ReadFile(dir + "/Unsigned.exe").value_or("");
    const std::string& random = ProductFiles().at("lib/deep/Random.bin");
    const std::string& text = ProductFiles().at("docs/Settings.txt");
    const struct {
        const char* what;
        std::string file; // as the installer writes it
        std::size_t size;
        std::size_t offset; // of the damaged byte in the resource
        std::string reason;
    } rows[] = {
        // Random bytes are stored blocks: a damaged byte there only the checksum shows.
        {"a byte of stored data", "lib\\deep\\random.bin", random.size(), 16 + random.size() / 2,
         "the unpacked contents fail their checksum"},
        {"a byte of Huffman-coded data", "docs\\settings.txt", text.size(), 16 + 200, ""},
        {"the header's size", "docs\\settings.txt", text.size(), 9,
         "the compressed data do not hold the manifest's size"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string run = FreshFolder("compressed-run-damaged");
        std::string damaged = plain;
        const std::size_t at = FindResource(damaged, row.size);
        ASSERT_NE(at, std::string::npos);
        damaged[at + row.offset] = static_cast<char>(damaged[at + row.offset] ^ 0x10);
        WriteBytes(run + "/Damaged-unsigned.exe", damaged);
        HostRun signing = Sign(run + "/Damaged-unsigned.exe", run + "/Damaged.exe", run + "/sign");
        ASSERT_EQ(signing.exitCode, 0) << signing.out << signing.err;

        InstallerRun r = RunPacked(run, run + "/Damaged.exe", "");
        ASSERT_TRUE(r.run.finished) << r.run.output;
        EXPECT_EQ(r.run.exitCode, kFail) << r.log;
        const std::string refusal = "Cannot unpack '" + WinPath(r.temp) + "\\{";
        const std::size_t line = r.log.find(refusal);
        ASSERT_NE(line, std::string::npos) << r.log;
        const std::string named = r.log.substr(line, r.log.find('\n', line) - line);
        EXPECT_NE(named.find("}\\" + row.file + "': " + row.reason), std::string::npos) << named;
        EXPECT_NE(r.log.find("Extract File " + row.file + " 80004005\r\nRemove folder 'Yes'\r\n"),
                  std::string::npos)
            << r.log;
        EXPECT_FALSE(FileExists(r.record)) << "the program was started\n" << r.log;
        EXPECT_TRUE(fs::is_empty(r.temp)) << "the working folder is left\n" << r.log;
    }
}
