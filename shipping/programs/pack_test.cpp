#include "shipping/programs/pack.h"

#include "shipping/base/scratch_folder.h"
#include "shipping/pe/test_images.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using PackInFolders = test::ScratchFolder;

// The compressed blocks are made in a folder under TMPDIR: never one inside the product.
TEST_F(PackInFolders, ATemporaryFolderInsideTheProductIsRefusedAndLeftAsItWas) {
    const Bytes stub = test::MakeImage({});
    Write("stub.exe", std::string(stub.begin(), stub.end()));
    Write("product/Setup.exe", std::string(4000, 'x'));
    fs::create_directories(root / "product/tmp");
    const std::string stubPath = (root / "stub.exe").string(),
                      product = (root / "product").string(), output = (root / "Setup.exe").string();
    const char* argv[] = {"kitbag-pack", "--payload",   product.c_str(),  "--program",
                          "Setup.exe",   "--stub",      stubPath.c_str(), "--no-sign",
                          "-o",          output.c_str()};
    PackOptions options;
    std::string error;
    ASSERT_TRUE(ParsePackOptions(10, argv, options, error)) << error;
    setenv("TMPDIR", (root / "product/tmp").c_str(), 1);
    error = Pack(options);
    unsetenv("TMPDIR");
    EXPECT_EQ(error, "the temporary folder '" + (root / "product/tmp").string() +
                         "' lies inside the product folder; set TMPDIR (TMP on Windows) elsewhere");
    EXPECT_TRUE(fs::is_empty(root / "product/tmp"));
    EXPECT_FALSE(fs::exists(output));
}

} // namespace
} // namespace kitbag
