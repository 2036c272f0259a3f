#include "app/processor_mode_rule.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessorMode, ProgramTypeIsReadExactlyAndCaseSensitively) {
    EXPECT_EQ(ReadProgramType(L"x86").mode, ProcessorMode::X86);
    EXPECT_EQ(ReadProgramType(L"x64").mode, ProcessorMode::X64);
    EXPECT_EQ(ReadProgramType(L"x32Only").mode, ProcessorMode::X32Only);
    for (const wchar_t* other : {L"AnyCPU", L"", L"X64", L"x64 ", L"x32only"})
        EXPECT_EQ(ReadProgramType(other).mode, ProcessorMode::Any) << other;
    EXPECT_STREQ(ReadProgramType(L"x32Only").logLine, L"Swapping to 32Bit only\n");
    EXPECT_STREQ(ReadProgramType(L"X64").logLine, L"Staying on Any\n");
}

TEST(ProcessorMode, DecisionTable) {
    const struct {
        ProcessorMode mode;
        bool wow64;
        bool start;
        bool redirectionOff;
    } rows[] = {
        {ProcessorMode::X86, false, true, false},     {ProcessorMode::X86, true, true, false},
        {ProcessorMode::X64, false, false, false},    {ProcessorMode::X64, true, true, true},
        {ProcessorMode::X32Only, false, true, false}, {ProcessorMode::X32Only, true, false, false},
        {ProcessorMode::Any, false, true, false},     {ProcessorMode::Any, true, true, true},
    };
    for (const auto& row : rows) {
        ProcessorModeDecision d = DecideProcessorMode(row.mode, row.wow64);
        EXPECT_EQ(d.start, row.start) << static_cast<int>(row.mode) << row.wow64;
        EXPECT_EQ(d.turnOffFsRedirection, row.redirectionOff)
            << static_cast<int>(row.mode) << row.wow64;
    }
}

} // namespace
