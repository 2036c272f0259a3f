#include "app/held_file_win.h"
#include "app/kitbag_installer_app.h"
#include "app/processor_mode.h"
#include "app/window_iterator.h"
#include "log/log.h"
#include "payload/working_folder.h"

#include <direct.h>

#include <vector>

namespace {

constexpr DWORD kWatchStepMs = 100;

} // namespace

ResultCode CKitbagInstallerApp::RunWizard(const std::wstring& programPath,
                                          const std::wstring& params, DWORD& exitCode) {
    exitCode = 0;
    ResultCode result = result::kSuccess;

    // CreateProcessW may write into its command line, so it gets a copy of its own.
    std::wstring commandLine = L"\"" + programPath + L"\" " + params;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};

    // The wizard inherits the working folder as its current folder.
    std::wstring workingFolder;
    if (!GetWorkingFolder(workingFolder))
        return result::kFail;
    _wchdir(workingFolder.c_str());

    CProcessorModeSwitch mode;
    if (!mode.Enter()) {
        mode.Restore();
        return result::kWrongProcessorMode;
    }
    // The wizard writes to the same log file, which this program opens without sharing, and
    // may do so as its very first act. It is made suspended: the redirection is put back and
    // logged, and the log closed, before the wizard's first instruction runs. What is logged
    // from then until the wizard has ended stays in memory.
    if (!CreateProcessWhileHeld(writable.data(), CREATE_SUSPENDED, startup, process)) {
        mode.Restore();
        return result::kCannotStartWizard;
    }
    mode.Restore();
    CloseLog();
    if (ResumeThread(process.hThread) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        ReopenLog();
        return result::kCannotStartWizard;
    }

    // The wizard's first window ends the splash. A silent run has none, so it only waits.
    DWORD wait = WAIT_TIMEOUT;
    while (!m_bSilent) {
        wait = WaitForSingleObject(process.hProcess, kWatchStepMs);
        if (wait == WAIT_FAILED)
            break;
        if (IsWizardWindowVisible(process)) {
            SetEvent(m_hWizardVisible);
            break;
        }
        if (wait == WAIT_OBJECT_0)
            break;
    }
    if (wait == WAIT_TIMEOUT)
        wait = WaitForSingleObject(process.hProcess, INFINITE);

    DWORD code = 0;
    if (wait == WAIT_FAILED) {
        // Neither the wizard's end nor its exit code can be known: end with the system error
        // instead of asking again and again.
        result = static_cast<ResultCode>(GetLastError());
    } else if (!GetExitCodeProcess(process.hProcess, &code)) {
        result = static_cast<ResultCode>(GetLastError());
        code = 0;
    }
    exitCode = code;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    ReopenLog();
    return result;
}
