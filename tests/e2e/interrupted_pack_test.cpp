// kitbag-pack stopped by Ctrl-C while it compresses, and kitbag-tag while it writes: each ends
// by that signal and leaves no output, no partial file beside it and no scratch folder.
#include "host_run.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Text that LZMA takes its time over: about 2 MB a second, so 40 MB keeps it busy.
std::string SlowText(std::size_t bytes) {
    std::string text;
    std::uint32_t state = 12345;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        text += "entry " + std::to_string(state >> 8) + " of " + std::to_string(state % 977) + "\n";
    }
    return text;
}

TEST(PackInterrupted, CtrlCWhileCompressingLeavesNothingBehind) {
    const std::string dir = FreshFolder("pack-interrupted");
    WriteBytes(dir + "/product/Setup.exe",
               ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
    WriteBytes(dir + "/product/big.txt", SlowText(40 << 20));
    fs::create_directories(dir + "/tmp");
    fs::create_directories(dir + "/out");

    const pid_t child = StartHost({"env", "TMPDIR=" + dir + "/tmp", KITBAG_PACK_TOOL, "--payload",
                                   dir + "/product", "--program", "Setup.exe", "--no-sign", "-o",
                                   dir + "/out/Setup.exe", "--arch", PackArchitecture()});
    ASSERT_GT(child, 0);
    // Once the scratch folder is there, compression has begun.
    for (int i = 0; i < 300 && fs::is_empty(dir + "/tmp"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::is_empty(dir + "/tmp")) << "no scratch folder";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(fs::is_empty(dir + "/out")) << "an output or a partial file is left";
    EXPECT_TRUE(fs::is_empty(dir + "/tmp")) << "the scratch folder is left";
}

TEST(TagInterrupted, CtrlCWhileWritingLeavesNothingBehind) {
    const std::string dir = FreshFolder("tag-interrupted");
    WriteBytes(dir + "/product/Setup.exe",
               ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
    // Stored, not compressed: a quarter of a gigabyte takes the tool a while to write.
    WriteBytes(dir + "/product/big.bin", std::string(256 << 20, 'x'));
    WriteBytes(dir + "/info.xml", "<info/>");
    HostRun packed = RunHost({KITBAG_PACK_TOOL, "--payload", dir + "/product", "--program",
                              "Setup.exe", "--store", "--arch", PackArchitecture(), "--sign-cert",
                              BuildPath("signing/dev-cert.pem"), "--sign-key",
                              BuildPath("signing/dev-key.pem"), "-o", dir + "/Setup.exe"},
                             dir + "/pack");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    fs::create_directories(dir + "/out");

    const pid_t child = StartHost({KITBAG_TAG_TOOL, "--in", dir + "/Setup.exe", "--info",
                                   dir + "/info.xml", "-o", dir + "/out/Tagged.exe"});
    ASSERT_GT(child, 0);
    // Once the partial file is there, the writing has begun.
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 60000 && fs::is_empty(dir + "/out"); ++i) {
        ended = waitpid(child, &status, WNOHANG) == child;
        if (ended)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ASSERT_FALSE(ended) << "the tool ended before it began to write";
    kill(child, SIGINT);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(fs::is_empty(dir + "/out")) << "an output or a partial file is left";
    fs::remove_all(dir); // half a gigabyte
}

} // namespace
