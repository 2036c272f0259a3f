// PLACEHOLDER until the wizard start and the temporary-folder prompt are built: the wizard is
// never started and no prompt is shown.
#include "app/kitbag_installer_app.h"
#include "log/log.h"

ResultCode CKitbagInstallerApp::RunWizard(const std::wstring&, const std::wstring&,
                                          DWORD& exitCode) {
    LogText(L"RunWizard placeholder: the wizard is not started\n");
    exitCode = 0;
    return result::kSuccess;
}

ResultCode CKitbagInstallerApp::PromptForTempFolder(std::wstring&) {
    if (m_bSilent)
        LogText(L"Not Prompting the user as silent installation\n");
    return result::kFail;
}
