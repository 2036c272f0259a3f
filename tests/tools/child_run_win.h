#pragma once
// Starts one program and waits for it to end.
#include <windows.h>

#include <optional>
#include <string>

struct ChildRun {
    enum class Outcome { Ended, CannotStart, TimedOut, WaitFailed };
    Outcome outcome = Outcome::CannotStart;
    DWORD exitCode = 0; // when Ended
    DWORD error = 0;    // when CannotStart or WaitFailed
};

// `commandLine` goes to CreateProcessW exactly as given. A child still running when the
// timeout passes is terminated before this returns.
ChildRun RunAndWait(const std::wstring& commandLine, std::optional<DWORD> timeoutMs);
