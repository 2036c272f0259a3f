#pragma once
// Running another program from the two command-line tools, on Windows and elsewhere: its
// input given, its output taken, a time limit kept.
#include <cstddef>
#include <string>
#include <vector>

namespace kitbag {

// What a program run by RunProgram is given and what is taken from it; by default it shares
// the tool's standard streams and terminal.
struct ProgramIo {
    // When set, the program's standard input: these bytes (at most kMaxProgramInput), then its
    // end. The program then runs without the terminal (in a session of its own where there is
    // one), so that it cannot ask there for anything.
    const std::string* input = nullptr;
    // When set, receives what the program writes to standard output and standard error.
    std::string* output = nullptr;
    // When not zero, the program is ended after this many seconds (with its output taken, no
    // more than a pipe holds on Windows).
    int timeoutSeconds = 0;
};
constexpr std::size_t kMaxProgramInput = 4096;
constexpr int kProgramTimedOut = -2;
constexpr int kProgramKilled = -3;      // ended by a signal it did not catch
constexpr int kProgramInterrupted = -4; // ended because the tool's run was interrupted

// Runs a program with these arguments and waits: argv[0] is its file, or a name found in
// PATH's folders alone (FindOnPath), never in the current folder. Its exit status; -1 when it
// could not be started, kProgramKilled when a signal ended it, kProgramTimedOut when it was
// ended for taking too long, kProgramInterrupted when it was ended because the tool's run was
// (shipping/base/interruption.h).
int RunProgram(const std::vector<std::string>& argv, const ProgramIo& io = {});

} // namespace kitbag
