#include "child_run_win.h"

#include <vector>

ChildRun RunAndWait(const std::wstring& commandLine, std::optional<DWORD> timeoutMs) {
    ChildRun run;
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        run.error = GetLastError();
        return run;
    }
    CloseHandle(process.hThread);

    const DWORD waited = WaitForSingleObject(process.hProcess, timeoutMs ? *timeoutMs : INFINITE);
    if (waited == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        run.outcome = ChildRun::Outcome::Ended;
    } else if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, ERROR_TIMEOUT);
        WaitForSingleObject(process.hProcess, INFINITE);
        run.outcome = ChildRun::Outcome::TimedOut;
    } else {
        run.error = GetLastError();
        run.outcome = ChildRun::Outcome::WaitFailed;
    }
    CloseHandle(process.hProcess);
    return run;
}
