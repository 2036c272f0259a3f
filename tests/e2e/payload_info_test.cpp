// The information block at the end of a signed executable, written to "info.xml" in the
// working folder.
#include "pe_image.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::uint32_t Read32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void Write32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A copy of the signed installer whose certificate table grows by block at its end, with the
// table's sizes in the data directory and in its own header grown to match. Padding goes in
// front of the block so that the table keeps its eight-byte alignment.
std::string WithBlockInSignature(const std::string& folder, const std::string& block) {
    std::string image = ReadFile(BuildPath("KitbagInstaller.exe")).value();
    const std::size_t directory = ReadPeFacts(image).value().certificateEntry;
    const std::uint32_t table = Read32(image, directory);
    EXPECT_EQ(table + Read32(image, directory + 4), image.size()) << "the table ends the file";
    const std::string grown = std::string((8 - block.size() % 8) % 8, '\0') + block;
    image += grown;
    Write32(image, directory + 4, Read32(image, directory + 4) + grown.size());
    Write32(image, table, Read32(image, table) + grown.size());
    const std::string path = folder + "/KitbagInstaller-info.exe";
    std::ofstream(path, std::ios::binary) << image;
    return fs::relative(path, BuildPath("")).string();
}

struct InfoRun {
    WineRun run;
    std::string log;
    fs::path folder; // the zero-GUID working folder
};

InfoRun RunWithBlock(const std::string& test, const std::string& block) {
    const std::string dir = FreshFolder(test);
    InfoRun r;
    r.folder = fs::path(dir) / "temp" / "{00000000-0000-0000-0000-000000000000}";
    fs::create_directories(r.folder);
    std::ofstream(r.folder / "info.xml", std::ios::binary) << "an older information file";
    r.run =
        RunInstaller(WithBlockInSignature(dir, block),
                     "log \"" + WinPath(dir + "/run.log") + "\" temp \"" + WinPath(dir + "/temp") +
                         "\" /dontrun /keep /zeroguid /IAgreeToTheEULA",
                     dir);
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

} // namespace

TEST(PayloadInfo, BlockBeforeTheSixByteTailReplacesInfoXml) {
    auto r = RunWithBlock("payload-info", std::string("MRDC") + "abc" + "TAIL:6");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_EQ(ReadFile((r.folder / "info.xml").string()), "abc");
    const std::string target = WinPath((r.folder / "info.xml").string());
    EXPECT_NE(r.log.find("Scanning for Signature\r\r\nFound embedded information 'abc'\r\r\n"
                         "Written out embedded information 3 byts to file " +
                         target + "\r\r\nEnumerate Resources TOOLKIT 65\r\n"),
              std::string::npos)
        << r.log;
}

TEST(PayloadInfo, LongestBlockIsWrittenWholeAndLoggedUpToItsFirstZero) {
    std::string info(4106, 'i');
    info[2] = '\0';
    auto r = RunWithBlock("payload-info-longest", "MRDC" + info + "TAIL:6");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_TRUE(ReadFile((r.folder / "info.xml").string()) == info);
    EXPECT_NE(r.log.find("Found embedded information 'ii'\r\r\nWritten out embedded information "
                         "4106 byts"),
              std::string::npos)
        << r.log;
}

TEST(PayloadInfo, MarkerBeyondTheWindowIsNotFound) {
    auto r = RunWithBlock("payload-info-beyond", "MRDC" + std::string(4107, 'i') + "TAIL:6");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_EQ(ReadFile((r.folder / "info.xml").string()), "an older information file");
    EXPECT_NE(r.log.find("Scanning for Signature\r\r\nEnumerate Resources"), std::string::npos)
        << r.log;
}
