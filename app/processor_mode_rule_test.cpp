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

TEST(ProcessorMode, DecisionTableForEveryKindOfProcess) {
    using M = ProcessorMode;
    using K = ProcessKind;
    const struct {
        M mode;
        K kind;
        bool start;
        bool redirectionOff;
    } rows[] = {
        {M::X86, K::On32BitWindows, true, false},     {M::X86, K::UnderWow64, true, false},
        {M::X86, K::Native64Bit, true, false},        {M::X64, K::On32BitWindows, false, false},
        {M::X64, K::UnderWow64, true, true},          {M::X64, K::Native64Bit, true, false},
        {M::X32Only, K::On32BitWindows, true, false}, {M::X32Only, K::UnderWow64, false, false},
        {M::X32Only, K::Native64Bit, false, false},   {M::Any, K::On32BitWindows, true, false},
        {M::Any, K::UnderWow64, true, true},          {M::Any, K::Native64Bit, true, false},
    };
    for (const auto& row : rows) {
        ProcessorModeDecision d = DecideProcessorMode(row.mode, row.kind);
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(row.mode) << ", kind "
                                        << static_cast<int>(row.kind));
        EXPECT_EQ(d.start, row.start);
        EXPECT_EQ(d.turnOffFsRedirection, row.redirectionOff);
    }
}

} // namespace
