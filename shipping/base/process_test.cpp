#include "shipping/base/process.h"

#include "shipping/base/interruption.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <thread>
#include <unistd.h>
#include <fstream>

namespace kitbag {
namespace {

TEST(RunProgram, GivesTheInputTakesBothOutputsAndTheExitStatus) {
    std::string output;
    const std::string input = "the input";
    ProgramIo io;
    io.input = &input;
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c", "cat; echo ' out'; echo err >&2; exit 7"}, io), 7);
    EXPECT_EQ(output, "the input out\nerr\n");

    output.clear();
    io.input = nullptr;
    EXPECT_EQ(RunProgram({"sh", "-c", "echo quiet"}, io), 0);
    EXPECT_EQ(output, "quiet\n");
    EXPECT_EQ(RunProgram({"kitbag-no-such-program"}, io), -1);
    EXPECT_EQ(RunProgram({"sh", "-c", "kill -KILL $$"}, io), kProgramKilled);

    const std::string tooLong(kMaxProgramInput + 1, 'x');
    io.input = &tooLong;
    EXPECT_EQ(RunProgram({"true"}, io), -1);
}

TEST(RunProgram, AProgramGivenItsInputHasNoTerminalToAskAt) {
    if (!std::ifstream("/dev/tty"))
        GTEST_SKIP() << "these tests run without a terminal, so there is none to keep away";
    std::string output;
    const std::string input;
    ProgramIo io;
    io.input = &input;
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c",
                          "if true 2>/dev/null </dev/tty; then echo terminal; else echo none; fi"},
                         io),
              0);
    EXPECT_EQ(output, "none\n");
}

TEST(RunProgram, AProgramPastItsTimeIsEnded) {
    std::string output;
    ProgramIo io;
    io.timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProgram({"sleep", "20"}, io), kProgramTimedOut);
    io.output = &output;
    EXPECT_EQ(RunProgram({"sh", "-c", "echo started; exec sleep 20"}, io), kProgramTimedOut);
    EXPECT_EQ(output, "started\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}, io), 3);
}

} // namespace
} // namespace kitbag

namespace kitbag {
namespace {

// Caught, a SIGTERM that reaches any thread ends the program the tool waits for. In a child
// process of its own: the interruption stays caught for the rest of the process.
TEST(RunProgram, AnInterruptionEndsTheProgramAndSaysSo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CatchInterruptions();
            std::thread interrupter([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                kill(getpid(), SIGTERM);
            });
            const auto start = std::chrono::steady_clock::now();
            std::string output;
            ProgramIo io;
            io.output = &output;
            const int result = RunProgram({"sleep", "20"}, io);
            interrupter.join();
            const bool fast = std::chrono::steady_clock::now() - start < std::chrono::seconds(10);
            std::_Exit(result == kProgramInterrupted && Interrupted() && fast ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kitbag
