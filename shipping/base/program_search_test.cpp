#include "shipping/base/program_search.h"

#include "shipping/base/scratch_folder.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace kitbag;

namespace {

class ProgramSearch : public test::ScratchFolder {
protected:
    std::string Make(const std::string& name, fs::perms perms = fs::perms::owner_all) {
        const fs::path file = root / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "#!/bin/sh\n";
        fs::permissions(file, perms);
        return file.string();
    }
};

TEST_F(ProgramSearch, OnlyPathsAbsoluteFoldersAndTheirExecutableFilesCount) {
    Make("signer");                              // in the current folder
    Make("plain/signer", fs::perms::owner_read); // not executable
    Make("folder/signer/x");                     // a folder of that name
    const std::string wanted = Make("bin/signer");
    const std::string base = root.string();
    const fs::path before = fs::current_path();
    fs::current_path(root);
    const std::string path = "::.:plain:" + base + "/plain:" + base + "/folder:" + base + "/bin";
    EXPECT_EQ(FindOnPath("signer", path, ':', ""), wanted);
    EXPECT_EQ(FindOnPath("signer", ":.:plain:bin", ':', ""), "");
    EXPECT_EQ(FindOnPath("bin/signer", path, ':', ""), "") << "a name with a folder";
    EXPECT_EQ(FindOnPath("", path, ':', ""), "");
    fs::current_path(before);
}

TEST_F(ProgramSearch, OnWindowsOnlyTheExeIsTaken) {
    Make("a/osslsigncode.bat");
    Make("a/osslsigncode.cmd");
    const std::string exe = Make("b/osslsigncode.exe");
    const std::string base = root.string();
    EXPECT_EQ(FindOnPath("osslsigncode", base + "/a;" + base + "/b", ';', ".exe"), exe);
    EXPECT_EQ(FindOnPath("osslsigncode", base + "/a", ';', ".exe"), "");
}

} // namespace
