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

struct ProcessorModeDecision {
    bool start;                // false: the mode does not fit the machine
    bool turnOffFsRedirection; // the wizard may run as a 64-bit process
};

// wow64: this 32-bit program runs under the 32-bit emulation layer of 64-bit Windows.
ProcessorModeDecision DecideProcessorMode(ProcessorMode mode, bool wow64);
