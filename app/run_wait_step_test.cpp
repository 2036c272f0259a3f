#include "app/run_wait_step.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

TEST(NextWaitStep, AFailedWaitFallsBackToWaitingForTheWorkerAlone) {
    const struct {
        std::uint32_t wake;
        WaitStep step;
    } rows[] = {
        {0, WaitStep::WizardVisible},
        {1, WaitStep::RunFinished},
        {2, WaitStep::PumpMessages},
        {kWaitFailed, WaitStep::WaitPlainly},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NextWaitStep(row.wake, kWaitFailed), row.step) << row.wake;
}

} // namespace
