#include "app/run_wait_step.h"

WaitStep NextWaitStep(std::uint32_t wake, std::uint32_t waitFailed) {
    // The worker may still be running and writing its result: a failed wait must not end the
    // run, and waiting the same way again would fail again at once.
    if (wake == waitFailed)
        return WaitStep::WaitPlainly;
    if (wake == 0)
        return WaitStep::WizardVisible;
    if (wake == 1)
        return WaitStep::RunFinished;
    return WaitStep::PumpMessages;
}
