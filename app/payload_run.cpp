// The worker thread's body: the base folder, the working folder, the payload, the wizard and
// the clean-up.
#include "app/kitbag_installer_app.h"
#include "log/log.h"
#include "payload/embedded_info.h"
#include "payload/extraction.h"
#include "payload/working_folder.h"

ResultCode CKitbagInstallerApp::RunEmbeddedResources(DWORD& exitCode) {
    LogText(L"Run Embedded Resources \n");
    exitCode = 0;
    // Processed again now that the program name is known, for the wizard's arguments.
    ResultCode result = ProcessCommandLine();
    if (result != 0)
        return result;

    result = PrepareBaseFolder(m_strTempFolder);
    if (result != 0) {
        result = PromptForTempFolder(m_strTempFolder);
        if (result == 0)
            result = PrepareBaseFolder(m_strTempFolder);
    }
    if (result != 0)
        return result;

    // The working folder is named on its first request, which the information file makes.
    if (m_bZeroGuid)
        UseZeroGuid();
    WriteEmbeddedInfo();

    std::wstring programPath;
    result = ExtractResources(m_hInstance, m_lstResources, programPath);
    if (result != 0 && !ExistingFolderRefusal().folder.empty())
        result = result::kWorkingFolderRefused;
    if (m_bRunWizard && result == 0)
        result = RunWizard(programPath, m_strChildParams, exitCode);

    LogFormat(L"Remove folder '%s'\n", m_bRemoveFolder ? L"Yes" : L"No");
    if (m_bRemoveFolder)
        RemoveWorkingFolder();
    return result;
}
