#pragma once
// The processor-mode check around the wizard's start, and the file-system redirection of
// the 32-bit emulation layer that it turns off while a 64-bit wizard is started.
#include "app/processor_mode_rule.h"

// The build's program type as a mode, with its log lines.
ProcessorMode GetProgramType();
// True when this process runs under the 32-bit emulation layer of 64-bit Windows; never
// for a 64-bit process.
bool IsWow64();
// This process's kind: the one place that knows whether the build is 64-bit.
ProcessKind CurrentProcessKind();
void DisableFsRedirection();
void RevertFsRedirection();

class CProcessorModeSwitch {
public:
    // False when the wizard's mode does not fit; may turn redirection off for this thread.
    bool Enter();
    // Undoes what Enter changed.
    bool Restore();

private:
    bool m_bRedirectionOff = false;
};
