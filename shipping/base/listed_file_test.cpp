#include "shipping/base/listed_file.h"

#include "shipping/base/scratch_folder.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using ListedFiles = test::ScratchFolder;

// What was listed is what is read: a same-size file, a link or a FIFO put in its place since
// is refused by name, and the FIFO does not make the open wait.
TEST_F(ListedFiles, AFileSwappedSinceItWasListedIsRefusedByName) {
    const std::string path = Write("lib/data.bin", "12345");
    const FileIdentity listed = IdentityOf(path);
    ASSERT_TRUE(listed.known);
    // Kept, so that no file made later gets its number.
    fs::create_hard_link(path, root / "kept.bin");
    const std::string other = Write("other.bin", "abcde");
    const auto open = [&](std::uint64_t size) {
        ListedFile file;
        std::string error;
        return file.Open(path, "lib/data.bin", size, listed, error) ? std::string("opened") : error;
    };
    EXPECT_EQ(open(5), "opened");
    EXPECT_EQ(open(6), "'lib/data.bin' changed while it was being packed");

    fs::remove(path);
    fs::create_symlink(other, path);
    EXPECT_EQ(open(5), "'lib/data.bin' changed while it was being packed: it is now another file");
    fs::remove(path);
    fs::copy_file(other, path);
    EXPECT_EQ(open(5), "'lib/data.bin' changed while it was being packed: it is now another file");
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(open(5), "'lib/data.bin' changed while it was being packed: it is now a FIFO");
}

TEST_F(ListedFiles, ReadsInPiecesAndAtOffsets) {
    const std::string path = Write("data.bin", "0123456789");
    ListedFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path, "data.bin", ListedFile::kAnySize, {}, error)) << error;
    char piece[4] = {};
    EXPECT_EQ(file.Read(piece, 4), 4);
    EXPECT_EQ(std::string(piece, 4), "0123");
    EXPECT_TRUE(file.ReadAt(7, piece, 3));
    EXPECT_EQ(std::string(piece, 3), "789");
    EXPECT_FALSE(file.ReadAt(8, piece, 3)) << "past the end";
    char rest[8] = {};
    EXPECT_EQ(file.ReadFull(rest, sizeof rest), 6) << "what is left after the first piece";
    EXPECT_EQ(std::string(rest, 6), "456789");
}

} // namespace
} // namespace kitbag
