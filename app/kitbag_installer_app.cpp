#include "kitbag_installer_app.h"

#include "app/message_queue.h"
#include "app/payload_stage.h"
#include "checks/admin_check.h"
#include "checks/authenticode.h"
#include "checks/installer_engine.h"
#include "framework/system_library.h"
#include "log/log.h"
#include "payload/payload_unpacker.h"
#include "ui/signature_question.h"

#include <commctrl.h>
#include <objbase.h>

#include <optional>

CKitbagInstallerApp theApp;

CKitbagInstallerApp::CKitbagInstallerApp() = default;

BOOL CKitbagInstallerApp::InitInstance() {
    m_nPromptDepth = 0;
    // The payload's blocks are decoded while the checks run; nothing is written before the
    // extraction asks for it.
    GetPayloadUnpacker().Start(m_hInstance);
    // Looked for before the first library outside the known DLLs is loaded (the common
    // controls, next): a redirection would choose where that one comes from.
    std::wstring redirection;
    const bool redirected = FindDllRedirection(redirection);

    ResultCode result = ProcessCommandLine();
    // Only a run that may show a window loads the common controls and makes this thread a COM
    // apartment (for the shell, when a link is followed). A silent run shows none, and both set
    // up the display, which takes longer than anything else before the signature check: the
    // apartment makes a window of its own.
    if (!m_bSilent) {
        if (!redirected) {
            INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
            if (auto init =
                    KITBAG_SYSTEM_FUNCTION(SystemLibrary::CommonControls, InitCommonControlsEx))
                init(&controls);
        }
        CoInitialize(nullptr);
    }
    if (result == 0) {
        LogFormat(L"Started %ld\n", static_cast<std::int32_t>(GetTickCount()));
        if (redirected) {
            LogFormat(L"DLL redirection '%s' beside the program: refusing to run\n", redirection);
            result = result::kDllRedirection;
        } else {
            result = RunChecks();
        }
    }
    if (result == 0)
        result = RunPayloadStage();

    if ((result != 0 && result != 1) || m_nExitCode != 0) {
        std::optional<CWithoutManifestControls> systemControls;
        if (redirected)
            systemControls.emplace();
        ShowFailure(result);
    }
    // Every failure, also one before the payload stage, ends the process with its code.
    m_nRunResult = result;
    return FALSE;
}

ResultCode CKitbagInstallerApp::CheckOwnSignature() {
    std::wstring verdict;
    if (VerifyFileSignature(GetModulePath(), verdict) == 0)
        return result::kSuccess;
    if (m_bSilent) {
        LogText(L"Not signed correctly so failing now!\n");
        return result::kNotSigned;
    }
    ResultCode result = result::kSuccess;
    if (AskToContinueUnverified(verdict) == 1)
        DrainMessageQueue();
    else
        result = result::kNotSigned;
    m_pMainWnd = nullptr;
    return result;
}

ResultCode CKitbagInstallerApp::RunChecks() {
    ResultCode result = CheckOwnSignature();
    if (result != 0)
        return result;
    LogSignatureInformation();
    if (IsAdminInstall() && !IsUserAdministrator())
        return result::kNotAdministrator;
    if (!CheckFrameworkVersion())
        return result::kFrameworkMissing;
    if (!CheckInstallerEngine())
        return result::kInstallerEngineTooOld;
    if (!CheckDiskSpace())
        return result::kInsufficientDiskSpace;
    return result::kSuccess;
}

int CKitbagInstallerApp::ExitInstance() {
    CWinApp::ExitInstance();
    GetPayloadUnpacker().Stop();
    if (m_nRunResult != 0)
        m_nExitCode = static_cast<DWORD>(m_nRunResult);
    LogFormat(L"Ended %ld\n", static_cast<std::int32_t>(GetTickCount()));
    CloseLog();
    return static_cast<int>(m_nExitCode);
}
