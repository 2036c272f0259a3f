#pragma once
// Which processor mode the wizard is built for, and whether it may start on this machine.
#include <string>

enum class ProcessorMode { Any = 0, X86 = 1, X64 = 2, X32Only = 3 };

struct ProgramTypeReading {
    ProcessorMode mode;
    const wchar_t* logLine;
};

// Reads the build's program type: "x86", "x64" and "x32Only" exactly; anything else is Any.
ProgramTypeReading ReadProgramType(const std::wstring& programType);

// What this program runs as, and so what Windows it runs on.
enum class ProcessKind {
    On32BitWindows, // a 32-bit process on 32-bit Windows
    UnderWow64,     // a 32-bit process under the 32-bit emulation layer of 64-bit Windows
    Native64Bit,    // a 64-bit process, on 64-bit Windows
};

struct ProcessorModeDecision {
    bool start;                // false: the mode does not fit the machine
    bool turnOffFsRedirection; // a 32-bit program lets the wizard run as a 64-bit process
};

ProcessorModeDecision DecideProcessorMode(ProcessorMode mode, ProcessKind kind);
