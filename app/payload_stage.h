#pragma once
// The worker thread that runs the payload stage, and the main thread's wait for it.
#include "common/result_codes.h"

#include <windows.h>

class CKitbagInstallerApp;
class CDialog;

// The worker thread's entry; param is the application object.
UINT RunThreadProc(LPVOID param);

// Pumps messages until the run-finished event (handles[1]) is set, closing the splash
// when the wizard-visible event (handles[0]) is set or at the end, and hiding it while the
// worker has a prompt open. Returns 0, or the system's error when the wait itself fails.
ResultCode WaitForRun(const HANDLE* handles, DWORD count, CKitbagInstallerApp& app,
                      CDialog& splash);

// The system's last error as a result code; E_FAIL when there is none.
ResultCode SystemErrorResult();
