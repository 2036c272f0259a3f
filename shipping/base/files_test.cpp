#include "shipping/base/files.h"
#include "shipping/base/scratch_folder.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using ReadingInputs = test::ScratchFolder;

TEST_F(ReadingInputs, FoldersDevicesPipesOversizedAndMissingFilesAreRefusedByName) {
    const std::string file = Write("a.bin", std::string("x\0y", 3));
    fs::create_directories(root / "folder");
    fs::create_directory_symlink(root / "folder", root / "folder-link");
    fs::create_symlink("/dev/zero", root / "zero-link");
    ASSERT_EQ(mkfifo((root / "fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* reason; // nothing: the read succeeds
        std::uint64_t maxBytes = kMaxImageBytes;
    } rows[] = {
        {file, nullptr, 3},
        {file, "is 3 bytes, more than the 2", 2},
        {"/dev/zero", "is not a regular file"},
        {(root / "zero-link").string(), "is not a regular file"},
        {(root / "fifo").string(), "is not a regular file"},
        {file, nullptr},
        {(root / "folder").string(), "is a folder, not a file"},
        {(root / "folder-link").string(), "is a folder, not a file"},
        {(root / "missing.bin").string(), "cannot open"},
    };
    for (const auto& row : rows) {
        Bytes data;
        std::string error;
        bool read = ReadWholeFile(row.path, data, error, row.maxBytes);
        EXPECT_EQ(read, row.reason == nullptr) << row.path << ": " << error;
        if (row.reason) {
            EXPECT_NE(error.find(row.reason), std::string::npos) << error;
            EXPECT_NE(error.find("'" + row.path + "'"), std::string::npos) << error;
        } else {
            EXPECT_EQ(data, (Bytes{'x', 0, 'y'}));
        }
    }
}

TEST_F(ReadingInputs, AnOutputIsWrittenBesideItAndRenamedLeavingEveryOtherFileAlone) {
    const std::string output = Write("out.exe", "old");
    // A name the tool once took for its own temporary file.
    const std::string neighbour = Write("out.exe.kitbag-partial", "mine");
    std::string temporary, error;
    ASSERT_TRUE(WriteTemporary(output, {'n', 'e', 'w'}, temporary, error)) << error;
    EXPECT_EQ(fs::path(temporary).parent_path(), root);
    Bytes data;
    EXPECT_TRUE(ReadWholeFile(output, data, error));
    EXPECT_EQ(data, (Bytes{'o', 'l', 'd'})) << "the output changes only when renamed";
    ASSERT_TRUE(Commit(temporary, output, error)) << error;
    EXPECT_TRUE(ReadWholeFile(output, data, error));
    EXPECT_EQ(data, (Bytes{'n', 'e', 'w'}));
    EXPECT_TRUE(ReadWholeFile(neighbour, data, error)) << error;
    EXPECT_EQ(data, (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2);

    // A writer that throws leaves no temporary file behind either.
    const StreamWriter throws = [](std::ostream& out, std::string&) -> bool {
        out << "half";
        throw std::runtime_error("no memory");
    };
    EXPECT_THROW(WriteTemporary(output, throws, temporary, error), std::runtime_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 2);
}

} // namespace
} // namespace kitbag
