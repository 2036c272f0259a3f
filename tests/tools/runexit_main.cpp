// runexit: runs one program and prints its full 32-bit exit code as "exit=0x%08X".
//   RUNEXIT_CMDLINE     the child's command line, verbatim; without it, everything on
//                       runexit's own command line after its program name
//   RUNEXIT_TIMEOUT_MS  terminate the child after this long (decimal or 0x hex)
// Returns 0 when the child ended, 2 when it could not be started, 3 on timeout.
#include "child_run_win.h"
#include "environment_value_win.h"
#include "program_name_token.h"
#include "standard_stream_win.h"
#include "unsigned_text.h"
#include "wide_conversion_win.h"

#include <windows.h>

namespace {

constexpr int kEnded = 0;
constexpr int kCannotStart = 2;
constexpr int kTimedOut = 3;
constexpr int kWaitFailed = 4;

void Complain(const std::wstring& text) {
    WriteToStandardHandle(STD_ERROR_HANDLE, WideToUtf8(L"runexit: " + text + L"\n"));
}

std::wstring ChildCommandLine() {
    if (auto verbatim = EnvironmentValue(L"RUNEXIT_CMDLINE"))
        return *verbatim;
    return AfterProgramName(GetCommandLineW());
}

} // namespace

int wmain(int, wchar_t**) {
    std::optional<DWORD> timeoutMs;
    auto timeoutText = EnvironmentValue(L"RUNEXIT_TIMEOUT_MS");
    if (timeoutText && !timeoutText->empty()) {
        std::uint32_t value = 0;
        if (!ParseUnsigned32(*timeoutText, value)) {
            Complain(L"RUNEXIT_TIMEOUT_MS='" + *timeoutText + L"' is not a number of milliseconds");
            return kCannotStart;
        }
        timeoutMs = value;
    }

    const ChildRun run = RunAndWait(ChildCommandLine(), timeoutMs);
    switch (run.outcome) {
    case ChildRun::Outcome::Ended:
        WriteToStandardHandle(STD_OUTPUT_HANDLE,
                              WideToUtf8(L"exit=" + Hex32(run.exitCode) + L"\n"));
        return kEnded;
    case ChildRun::Outcome::TimedOut:
        Complain(L"timeout");
        return kTimedOut;
    case ChildRun::Outcome::WaitFailed:
        Complain(L"wait failed (error " + std::to_wstring(run.error) + L")");
        return kWaitFailed;
    case ChildRun::Outcome::CannotStart:
        break;
    }
    Complain(L"cannot start (error " + std::to_wstring(run.error) + L")");
    return kCannotStart;
}
