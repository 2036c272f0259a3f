#include "app/kitbag_installer_app.h"
#include "log/log.h"
#include "payload/working_folder.h"
#include "ui/failure_presenter.h"
#include "ui/failure_text.h"

void CKitbagInstallerApp::ShowFailure(ResultCode result) {
    FailureFacts facts;
    facts.result = result;
    facts.exitCode = m_nExitCode;
    facts.commandLine = m_lpCmdLine;
    facts.tempDrive = m_strTempDrive;
    facts.requiredDiskMB = m_nRequiredDiskMB;
    facts.requiredFramework = m_strRequiredFramework;
    facts.requiredFrameworkSP = m_nRequiredFrameworkSP;
    facts.requiredFrameworkMajor = m_nRequiredFrameworkMajor;
    facts.refusedFolder = ExistingFolderRefusal().folder;
    facts.refusalReason = ExistingFolderRefusal().reason;
    FailureMessage message =
        ChooseFailureMessage(facts, [](unsigned id) { return LoadResString(id); });

    if (m_bSilent) {
        LogText(message.text);
        LogText(L"\n");
        return;
    }
    PresentFailure(message);
}
