#include "shipping/packing/installer_listing.h"

#include "shipping/base/scratch_folder.h"
#include "shipping/pe/test_images.h"

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

} // namespace
} // namespace kitbag
