#include "payload_stage.h"

#include "app/kitbag_installer_app.h"
#include "app/message_queue.h"
#include "app/run_wait_step.h"
#include "ui/splash_dlg.h"

#include <objbase.h>

namespace {
constexpr int kSplashEnded = 5;
}

ResultCode SystemErrorResult() {
    DWORD error = GetLastError();
    return error != 0 ? static_cast<ResultCode>(error) : result::kFail;
}

UINT RunThreadProc(LPVOID param) {
    auto* app = static_cast<CKitbagInstallerApp*>(param);
    // COM serves only the folder prompt here, which a silent run never shows; becoming an
    // apartment would set up the display for the apartment's window.
    const bool apartment = !app->m_bSilent && SUCCEEDED(CoInitialize(nullptr));
    app->m_nRunResult = app->RunEmbeddedResources(app->m_nExitCode);
    SetEvent(app->m_hRunFinished);
    if (apartment)
        CoUninitialize();
    return 0;
}

ResultCode WaitForRun(const HANDLE* handles, DWORD count, CKitbagInstallerApp& app,
                      CDialog& splash) {
    std::int32_t rememberedDepth = 0;
    bool splashOpen = splash.m_hWnd != nullptr;
    ResultCode result = result::kSuccess;
    for (;;) {
        DrainMessageQueue();
        if (splashOpen) {
            std::int32_t depth = app.m_nPromptDepth;
            if (depth != rememberedDepth) {
                if (depth == 0)
                    splash.ShowWindow(SW_SHOW);
                else if (rememberedDepth == 0 && depth == 1)
                    splash.ShowWindow(SW_HIDE);
                rememberedDepth = depth;
            }
        }
        const DWORD wake = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
        const WaitStep step = NextWaitStep(wake - WAIT_OBJECT_0, WAIT_FAILED - WAIT_OBJECT_0);
        if (step == WaitStep::RunFinished)
            break;
        if (step == WaitStep::WizardVisible) {
            ResetEvent(handles[0]);
            if (splashOpen) {
                splash.EndDialog(kSplashEnded);
                splashOpen = false;
            }
        } else if (step == WaitStep::WaitPlainly) {
            if (WaitForSingleObject(handles[count - 1], INFINITE) == WAIT_FAILED)
                result = SystemErrorResult();
            break;
        }
    }
    if (splashOpen)
        splash.EndDialog(kSplashEnded);
    return result;
}

ResultCode CKitbagInstallerApp::RunPayloadStage() {
    m_hRunFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_hRunFinished == nullptr)
        return SystemErrorResult();
    m_hWizardVisible = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_hWizardVisible == nullptr)
        return SystemErrorResult();
    if (!AfxBeginThread(RunThreadProc, this))
        return SystemErrorResult();

    ResultCode waitResult = result::kSuccess;
    if (m_bSilent) {
        // A silent run shows no splash nor any other window: the run's end is all there is to
        // wait for.
        if (WaitForSingleObject(m_hRunFinished, INFINITE) == WAIT_FAILED)
            waitResult = SystemErrorResult();
    } else {
        SplashDlg splash;
        splash.Create();
        if (m_nPromptDepth == 0)
            splash.ShowWindow(SW_SHOW);
        const HANDLE handles[2] = {m_hWizardVisible, m_hRunFinished};
        waitResult = WaitForRun(handles, 2, *this, splash);
    }
    // When even the plain wait failed, the worker may still be writing its result: do not read
    // it.
    return waitResult != 0 ? waitResult : m_nRunResult;
}
