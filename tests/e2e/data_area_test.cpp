// A product packed into the data area after the image's sections, as a product over 1 GiB is
// (--data-area puts a small one there): signed afterwards and tagged, it unpacks byte for byte
// and starts its program; a byte changed there fails the signature, and the same change made
// before signing fails its block.
#include "packed_run.h"
#include "pe_image.h"
#include "tests/tools/random_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kNotSigned = 0x800B0100;
constexpr std::uint32_t kCorruptFile = 0x80040167;

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

// Where the raw data of the image's last section ends.
std::size_t SectionsEnd(const std::string& image) {
    const std::size_t pe = U32(image, 0x3C);
    const std::size_t count = U32(image, pe + 6) & 0xFFFF;
    const std::size_t table = pe + 24 + (U32(image, pe + 20) & 0xFFFF);
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i)
        end = std::max<std::size_t>(end, U32(image, table + 40 * i + 20) +
                                             U32(image, table + 40 * i + 16));
    return end;
}

class PayloadDataArea : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("data-area");
        product = dir + "/product";
        WriteBytes(product + "/Setup.exe",
                   ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
        WriteBytes(product + "/lib/Random.bin", RandomBytes(300001, 11));
        std::string text;
        for (int i = 0; i < 6000; ++i)
            text += "note " + std::to_string(i % 89) + " of the product\r\n";
        WriteBytes(product + "/docs/Notes.txt", text);
        WriteBytes(product + "/empty.dat", "");
        packRun =
            RunHost({KITBAG_PACK_TOOL, "--payload", product, "--program", "Setup.exe", "--arch",
                     PackArchitecture(), "--data-area", "--no-sign", "-o", dir + "/Unsigned.exe"},
                    dir + "/pack");
        signRun = Sign(dir + "/Unsigned.exe", dir + "/Signed.exe", dir + "/sign");
        WriteBytes(dir + "/info.bin", "campaign=data-area");
        tagRun = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Signed.exe", "--info", dir + "/info.bin",
                          "-o", dir + "/Setup.exe"},
                         dir + "/tag");
    }

    // The installer, one byte at the offset found changed, signed again when it was unsigned.
    static InstallerRun RunChanged(const std::string& exe, std::size_t offset, bool sign) {
        const std::string run = FreshFolder("data-area-changed");
        std::string bytes = ReadFile(exe).value_or("");
        bytes.at(offset) = static_cast<char>(bytes[offset] ^ 0x10);
        WriteBytes(run + "/Changed.exe", bytes);
        std::string changed = run + "/Changed.exe";
        if (sign) {
            HostRun signing = Sign(changed, run + "/Resigned.exe", run + "/sign");
            EXPECT_EQ(signing.exitCode, 0) << signing.out << signing.err;
            changed = run + "/Resigned.exe";
        }
        return RunPacked(run, changed, "");
    }

    static std::string dir, product;
    static HostRun packRun, signRun, tagRun;
};
std::string PayloadDataArea::dir;
std::string PayloadDataArea::product;
HostRun PayloadDataArea::packRun;
HostRun PayloadDataArea::signRun;
HostRun PayloadDataArea::tagRun;

const std::string kStoredHead("KBS\x01\0\0\0\0\x01\0\0\0", 12); // stored, one member
const std::string kLzmaHead("KBS\x01\x01\0\0\0", 8);

TEST_F(PayloadDataArea, SignedAfterwardsAndTaggedItUnpacksByteForByteAndStartsTheProgram) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    EXPECT_NE(packRun.out.find("Payload   in the data area after the image"), std::string::npos)
        << packRun.out;
    ASSERT_EQ(signRun.exitCode, 0) << signRun.out << signRun.err;
    ASSERT_EQ(tagRun.exitCode, 0) << tagRun.err;

    // Both blocks lie after the sections, and the certificate table at an 8-byte boundary.
    const std::string image = ReadFile(dir + "/Setup.exe").value_or("");
    const std::size_t sectionsEnd = SectionsEnd(image);
    EXPECT_NE(image.find(kLzmaHead, sectionsEnd), std::string::npos);
    EXPECT_GE(image.find(kStoredHead), sectionsEnd);
    const std::optional<PeFacts> facts = ReadPeFacts(image);
    ASSERT_TRUE(facts && facts->certificateTableSize != 0);
    EXPECT_EQ(U32(image, facts->certificateEntry) % 8, 0u);
    HostRun verify = RunHost({"osslsigncode", "verify", "-CAfile",
                              BuildPath("signing/dev-cert.pem"), "-in", dir + "/Setup.exe"},
                             dir + "/verify");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;

    InstallerRun r = RunPacked(FreshFolder("data-area-run"), dir + "/Setup.exe", "/keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_TRUE(FileExists(r.record)) << "the program was not started\n" << r.log;
    // The tag reaches the program beside the product's files.
    for (const auto& folder : fs::directory_iterator(r.temp)) {
        EXPECT_EQ(ReadFile((folder.path() / "info.xml").string()), "campaign=data-area");
        fs::remove(folder.path() / "info.xml");
    }
    ExpectUnpacked(r, product);
}

TEST_F(PayloadDataArea, AChangedByteFailsTheSignatureOrOnceSignedAgainItsBlock) {
    ASSERT_EQ(signRun.exitCode, 0) << signRun.out << signRun.err;
    const std::string image = ReadFile(dir + "/Signed.exe").value_or("");
    const std::size_t stored = image.find(kStoredHead);
    ASSERT_NE(stored, std::string::npos);
    InstallerRun r = RunChanged(dir + "/Signed.exe", stored + 20 + 16 + 1000, false);
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kNotSigned) << r.log;
    EXPECT_NE(r.log.find("Error is: 0x80096010."), std::string::npos) << r.log;

    const std::string plain = ReadFile(dir + "/Unsigned.exe").value_or("");
    const std::size_t block = plain.find(kLzmaHead, SectionsEnd(plain));
    ASSERT_NE(block, std::string::npos);
    const std::size_t members = U32(plain, block + 8);
    r = RunChanged(dir + "/Unsigned.exe", block + 20 + 16 * members + 2000, true);
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, kCorruptFile) << r.log;
    EXPECT_FALSE(FileExists(r.record)) << "the program was started\n" << r.log;
    EXPECT_TRUE(fs::is_empty(r.temp)) << "the working folder is left\n" << r.log;
}

} // namespace
