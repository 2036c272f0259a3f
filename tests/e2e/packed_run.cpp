#include "packed_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

HostRun Sign(const std::string& in, const std::string& out, const std::string& scratch) {
    return RunHost({"osslsigncode", "sign", "-certs", BuildPath("signing/dev-cert.pem"), "-key",
                    BuildPath("signing/dev-key.pem"), "-in", in, "-out", out},
                   scratch);
}

InstallerRun RunPacked(const std::string& dir, const std::string& exe, const std::string& more) {
    InstallerRun r;
    r.temp = dir + "/temp";
    r.record = dir + "/record.txt";
    fs::create_directories(r.temp);
    fs::remove(r.record);
    r.run = RunInstaller(
        fs::relative(exe, BuildPath("")).string(),
        "log \"" + WinPath(dir + "/run.log") + "\" temp \"" + WinPath(r.temp) + "\" " + more +
            " /IAgreeToTheEULA",
        dir, {{"KITBAG_WIZARD_RECORD", WinPath(r.record)}, {"KITBAG_WIZARD_WINDOW", "none"}});
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

void ExpectUnpacked(const InstallerRun& r, const std::string& product) {
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(r.temp))
        folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u) << r.log;
    std::size_t files = 0, written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(product)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string name = Lower(fs::relative(entry.path(), product).string());
        EXPECT_TRUE(ReadFile((folders[0] / name).string()) == ReadFile(entry.path().string()))
            << name;
        std::string logged = name;
        std::replace(logged.begin(), logged.end(), '/', '\\');
        EXPECT_NE(r.log.find("Extract File " + logged + " 0\r\n"), std::string::npos) << r.log;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folders[0]))
        written += entry.is_regular_file();
    EXPECT_EQ(written, files);
}
