#include "shipping/base/output_check.h"
#include "shipping/base/scratch_folder.h"

namespace fs = std::filesystem;

namespace kitbag {
namespace {

using OutputPlace = test::ScratchFolder;

TEST_F(OutputPlace, NoInputIsOverwrittenAndNothingIsWrittenIntoTheProductFolder) {
    Write("stub.exe", "MZ");
    Write("cert.pem", "cert");
    Write("prod/readme.txt", "read me");
    Write("prod/lib/x.dll", "x");
    fs::create_directories(root / "out");
    fs::create_directories(root / "prod2");
    fs::create_symlink(root / "cert.pem", root / "out/cert-link.pem");
    fs::create_hard_link(root / "stub.exe", root / "out/stub-again.exe");
    fs::create_directory_symlink(root / "prod/lib", root / "out/lib-link");
    const std::string r = root.string();
    const std::vector<std::string> files = {r + "/stub.exe", r + "/cert.pem",
                                            r + "/prod/readme.txt", r + "/prod/lib/x.dll"};
    const struct {
        std::string output;
        std::string reason; // empty: the output may be written
    } rows[] = {
        {r + "/out/Setup.exe", ""},
        {r + "/stub-copy.exe", ""},
        {r + "/prod2/Setup.exe", ""}, // beside the product folder, not in it
        {r + "/prod.exe", ""},
        {r + "/out/cert-link.pem", "is the input '" + r + "/cert.pem'"},
        {r + "/stub.exe", "is the input '" + r + "/stub.exe'"},
        {r + "/out/../cert.pem", "is the input '" + r + "/cert.pem'"},
        {r + "/out/stub-again.exe", "is the input '" + r + "/stub.exe'"},
        {r + "/prod/readme.txt", "is the input '" + r + "/prod/readme.txt'"},
        {r + "/prod/Setup.exe", "lies inside the folder '" + r + "/prod' that is packed"},
        {r + "/prod/lib/new/Setup.exe", "lies inside the folder"},
        {r + "/out/lib-link/Setup.exe", "lies inside the folder"},
        {r + "/prod2/../prod/Setup.exe", "lies inside the folder"},
        {r + "/prod", "is a folder"},
        {r + "/out", "is a folder"},
    };
    for (const auto& row : rows) {
        std::string why = CheckOutput(row.output, files, {r + "/prod"});
        if (row.reason.empty()) {
            EXPECT_EQ(why, "") << row.output;
            continue;
        }
        EXPECT_NE(why.find(row.reason), std::string::npos) << row.output << ": " << why;
        EXPECT_NE(why.find("'" + row.output + "'"), std::string::npos) << why;
    }
    // The folder named through a link of its own, and as a relative path.
    fs::create_directory_symlink(root / "prod", root / "prod-link");
    EXPECT_NE(CheckOutput(r + "/prod/Setup.exe", {}, {r + "/prod-link/"}), "");
    const fs::path previous = fs::current_path();
    fs::current_path(root);
    EXPECT_NE(CheckOutput("prod/Setup.exe", {}, {"./prod"}), "");
    EXPECT_EQ(CheckOutput("Setup.exe", {"stub.exe"}, {"prod"}), "");
    fs::current_path(previous);
}

} // namespace
} // namespace kitbag
