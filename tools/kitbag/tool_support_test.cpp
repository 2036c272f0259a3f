#include "tools/kitbag/tool_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

// A fresh folder under the system's temporary folder, removed at the end of the test.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::temp_directory_path() /
               (std::string("kitbag-tools-") + test->test_suite_name() + "-" + test->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    std::string Write(const std::string& name, const std::string& bytes) {
        fs::path path = root / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path root;
};

using ReadingInputs = ScratchFolder;

TEST_F(ReadingInputs, FoldersAndMissingFilesAreRefusedByName) {
    const std::string file = Write("a.bin", std::string("x\0y", 3));
    fs::create_directories(root / "folder");
    fs::create_directory_symlink(root / "folder", root / "folder-link");
    const struct {
        std::string path;
        const char* reason; // nothing: the read succeeds
    } rows[] = {
        {file, nullptr},
        {(root / "folder").string(), "is a folder, not a file"},
        {(root / "folder-link").string(), "is a folder, not a file"},
        {(root / "missing.bin").string(), "cannot open"},
    };
    for (const auto& row : rows) {
        Bytes data;
        std::string error;
        bool read = ReadWholeFile(row.path, data, error);
        EXPECT_EQ(read, row.reason == nullptr) << row.path << ": " << error;
        if (row.reason) {
            EXPECT_NE(error.find(row.reason), std::string::npos) << error;
            EXPECT_NE(error.find("'" + row.path + "'"), std::string::npos) << error;
        } else {
            EXPECT_EQ(data, (Bytes{'x', 0, 'y'}));
        }
    }
}

} // namespace
} // namespace kitbag
