#include "shipping/packing/installer_listing.h"

#include "shipping/base/scratch_folder.h"
#include "shipping/branding/version_resource.h"
#include "shipping/pe/test_images.h"
#include "shipping/programs/pack.h"

#include <fstream>
#include <random>

namespace kitbag {
namespace {

using InstallerListing = test::ScratchFolder;

void Put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A few hundred bytes that claim a 1 GiB file in a block with a 1 GiB dictionary, and a title
// and a file name that would steer a terminal.
TEST_F(InstallerListing, ABlockClaimingAHugeDictionaryIsNotUnpackedAndTextsAreEscaped) {
    Bytes block = {'K', 'B', 'S', 1};
    Put32(block, 1);                                  // LZMA
    Put32(block, 1);                                  // one member
    block.insert(block.end(), {0x5D, 0, 0, 0, 0x40}); // lc 3, lp 0, pb 2; 1 GiB dictionary
    block.insert(block.end(), {0, 0, 0});
    for (std::uint32_t field : {102u, 0x40000000u, 0u, 0u})
        Put32(block, field);
    block.insert(block.end(), 200, 0x5A);
    const std::string manifest = "102*a\x1B[2J.txt*1073741824";
    ResourceTree tree;
    std::string error;
    ASSERT_TRUE(SetTableString(tree, 1, u"Acme\u009B31m", error));
    NameMap& toolkit = tree[ResourceName::String("TOOLKIT")];
    toolkit[ResourceName::Id(101)][0].bytes.assign(manifest.begin(), manifest.end());
    toolkit[ResourceName::Id(102)][0].bytes = {};
    toolkit[ResourceName::Id(103)][0].bytes = block;
    const Bytes image = test::MakeImage(tree);
    const std::string path = Write("bomb.exe", std::string(image.begin(), image.end()));

    testing::internal::CaptureStdout();
    error = ListInstaller(path);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(error, "");
    EXPECT_NE(
        out.find("Block     103  not unpacked: its dictionary is larger than kitbag-pack writes"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("'Acme\\x9B31m'"), std::string::npos) << out;
    EXPECT_NE(out.find("a\\x1B[2J.txt"), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1B'), std::string::npos) << out;
}

std::string Listing(const std::string& path) {
    testing::internal::CaptureStdout();
    const std::string error = ListInstaller(path);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(error, "");
    return out;
}

// Blocks in the data area are read from the file at the data area's start and their extent's
// offset, and unpacked from there: a byte changed in a stored member fails only that member.
TEST_F(InstallerListing, BlocksInTheDataAreaAreReadFromTheFileAndUnpacked) {
    ResourceTree stubTree;
    std::string error;
    ASSERT_TRUE(
        WriteVersionInfo({FixedFileInfo{}, {{u"040904b0", {{u"ProductName", u"Kitbag"}}}}, {}},
                         stubTree[ResourceName::Id(16)][ResourceName::Id(1)][0x409].bytes, error));
    const Bytes stub = test::MakeImage(stubTree);
    const std::string stubPath = Write("stub.exe", std::string(stub.begin(), stub.end()));
    Write("product/Setup.exe", std::string(stub.begin(), stub.end()));
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i) + "\n";
    Write("product/numbers.txt", text);
    std::string noise(100000, 0);
    std::mt19937 random(7);
    for (char& c : noise)
        c = static_cast<char>(random());
    Write("product/noise.bin", noise);
    const std::string product = (root / "product").string(), output = (root / "Setup.exe").string();
    const char* argv[] = {"kitbag-pack", "--payload", product.c_str(),  "--program",
                          "Setup.exe",   "--stub",    stubPath.c_str(), "--no-sign",
                          "--data-area", "-o",        output.c_str()};
    PackOptions options;
    ASSERT_TRUE(ParsePackOptions(11, argv, options, error)) << error;
    testing::internal::CaptureStdout();
    error = Pack(options);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(error, "");

    std::string out = Listing(output);
    EXPECT_NE(out.find("\nData area "), std::string::npos) << out;
    EXPECT_NE(out.find("  2 files, " + std::to_string(stub.size() + text.size()) + " bytes in "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" bytes) in the data area\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  1 files, 100000 bytes stored in the data area\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("'numbers.txt'  (compressed in block "), std::string::npos) << out;
    EXPECT_NE(out.find("'noise.bin'  (stored in block "), std::string::npos) << out;
    EXPECT_EQ(out.find("would fail"), std::string::npos) << out;

    std::fstream file(output, std::ios::in | std::ios::out | std::ios::binary);
    const std::string packed((std::istreambuf_iterator<char>(file)), {});
    const std::size_t at = packed.find(noise.substr(0, 64));
    ASSERT_NE(at, std::string::npos);
    file.seekp(static_cast<std::streamoff>(at + 5000));
    file.put(static_cast<char>(~noise[5000]));
    file.close();
    out = Listing(output);
    auto line = [&out](const std::string& name) {
        const std::size_t from = out.find("'" + name + "'  (");
        return from == std::string::npos ? "" : out.substr(from, out.find('\n', from) - from);
    };
    EXPECT_NE(line("noise.bin").find(", but the unpacked contents fail their checksum"),
              std::string::npos)
        << out;
    EXPECT_EQ(line("numbers.txt").find("fail"), std::string::npos) << out;
}

} // namespace
} // namespace kitbag
