#pragma once
// For the unit tests: a fresh folder under the system's temporary folder, named after the
// test and removed at its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kitbag::test {

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::filesystem::temp_directory_path() /
               (std::string("kitbag-tools-") + test->test_suite_name() + "-" + test->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    // Writes a file under the folder, making its folders; its path.
    std::string Write(const std::string& name, const std::string& bytes) {
        std::filesystem::path path = root / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path root;
};

} // namespace kitbag::test
