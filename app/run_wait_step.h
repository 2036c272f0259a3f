#pragma once
// What the main thread does with each wake-up of its wait for the run.
#include <cstdint>

enum class WaitStep {
    PumpMessages,  // input arrived: dispatch it and wait again
    WizardVisible, // the wizard showed a window: close the splash and wait again
    RunFinished,   // the worker has ended: the wait is over
    WaitPlainly,   // the wait itself failed: wait for the worker's end alone, without messages
};

// wake: what MsgWaitForMultipleObjects answered for the wizard-visible and run-finished events
// (in that order) and the input; waitFailed: the value it answers when it fails.
WaitStep NextWaitStep(std::uint32_t wake, std::uint32_t waitFailed);
