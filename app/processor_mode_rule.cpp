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

ProcessorModeDecision DecideProcessorMode(ProcessorMode mode, bool wow64) {
    if ((mode == ProcessorMode::X64 && !wow64) || (mode == ProcessorMode::X32Only && wow64))
        return {false, false};
    return {true, wow64 && (mode == ProcessorMode::X64 || mode == ProcessorMode::Any)};
}
