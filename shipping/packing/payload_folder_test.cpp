#include "shipping/packing/payload_folder.h"
#include "shipping/base/scratch_folder.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using ProductFolder = test::ScratchFolder;

std::string Listing(const std::vector<PayloadFile>& files) {
    std::string out;
    for (const PayloadFile& f : files)
        out += f.path + "=" + std::to_string(f.size) + " ";
    return out;
}

TEST_F(ProductFolder, LinksToFilesArePackedUnderTheirOwnNamesOthersAreRefusedByName) {
    const struct {
        const char* what;
        void (*add)(const fs::path& product);
        const char* expected; // the listing, or the reason for refusing the folder
    } rows[] = {
        {"plain files", [](const fs::path&) {}, "Setup.exe=2 lib/real.txt=5 "},
        {"a link to a file beside it",
         [](const fs::path& p) { fs::create_symlink("real.txt", p / "lib/alias.txt"); },
         "Setup.exe=2 lib/alias.txt=5 lib/real.txt=5 "},
        {"a link to a file in another folder",
         [](const fs::path& p) { fs::create_symlink("../lib/real.txt", p / "docs/alias.txt"); },
         "Setup.exe=2 docs/alias.txt=5 lib/real.txt=5 "},
        {"a link to a folder",
         [](const fs::path& p) { fs::create_directory_symlink("lib", p / "more"); },
         "'more' is a link to a folder; copy the folder in instead"},
        {"a link to nothing",
         [](const fs::path& p) { fs::create_symlink("gone.txt", p / "docs/alias.txt"); },
         "'docs/alias.txt' is a link whose target does not exist"},
        {"a link to itself", [](const fs::path& p) { fs::create_symlink("loop", p / "loop"); },
         "'loop' is a link that cannot be followed: Too many levels of symbolic links"},
    };
    for (const auto& row : rows) {
        const fs::path product = root / "product";
        fs::remove_all(product);
        Write("product/Setup.exe", "MZ");
        Write("product/lib/real.txt", "hello");
        fs::create_directories(product / "docs");
        row.add(product);
        std::vector<PayloadFile> files;
        std::string error;
        // A trailing separator changes no name.
        for (const std::string& folder : {product.string(), product.string() + "/"}) {
            files.clear();
            std::vector<std::string> empty;
            bool listed = ListFolder(folder, files, empty, error);
            std::sort(files.begin(), files.end(),
                      [](const PayloadFile& a, const PayloadFile& b) { return a.path < b.path; });
            EXPECT_EQ(listed ? Listing(files) : error, row.expected)
                << row.what << " in " << folder;
        }
    }
}

TEST_F(ProductFolder, AFileOrNothingIsNoProductFolder) {
    const std::string file = Write("Setup.exe", "MZ");
    const std::string missing = (root / "missing").string();
    std::vector<PayloadFile> files;
    std::vector<std::string> empty;
    std::string error;
    EXPECT_FALSE(ListFolder(file, files, empty, error));
    EXPECT_EQ(error, "'" + file + "' is a file, not a folder");
    EXPECT_FALSE(ListFolder(missing, files, empty, error));
    EXPECT_EQ(error, "'" + missing + "' is not a folder");
}

TEST_F(ProductFolder, FoldersWithoutAFileAtAnyDepthAreNamedAsLeftOut) {
    Write("product/Setup.exe", "MZ");
    Write("product/lib/deep/a.dll", "x");
    Write("product/libs.txt", "x"); // shares a prefix with "lib" but is no folder of it
    for (const char* folder : {"lib/empty", "cache/a/b", "docs"})
        fs::create_directories(root / "product" / folder);
    std::vector<PayloadFile> files;
    std::vector<std::string> empty;
    std::string error;
    ASSERT_TRUE(ListFolder((root / "product").string(), files, empty, error)) << error;
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(empty,
              (std::vector<std::string>{"cache", "cache/a", "cache/a/b", "docs", "lib/empty"}));
}

} // namespace
} // namespace kitbag
