#include "processor_mode_rule.h"

ProgramTypeReading ReadProgramType(const std::wstring& programType) {
    if (programType == L"x86")
        return {ProcessorMode::X86, L"Swapping to x86\n"};
    if (programType == L"x64")
        return {ProcessorMode::X64, L"Swapping to x64\n"};
    if (programType == L"x32Only")
        return {ProcessorMode::X32Only, L"Swapping to 32Bit only\n"};
    return {ProcessorMode::Any, L"Staying on Any\n"};
}

ProcessorModeDecision DecideProcessorMode(ProcessorMode mode, ProcessKind kind) {
    const bool on64BitWindows = kind != ProcessKind::On32BitWindows;
    if ((mode == ProcessorMode::X64 && !on64BitWindows) ||
        (mode == ProcessorMode::X32Only && on64BitWindows))
        return {false, false};
    // Only a 32-bit process has a redirection to turn off; a 64-bit one starts any wizard
    // as it is.
    return {true, kind == ProcessKind::UnderWow64 &&
                      (mode == ProcessorMode::X64 || mode == ProcessorMode::Any)};
}
