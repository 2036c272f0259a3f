// PLACEHOLDER until the payload run is built: the worker processes the command line a
// second time, as the real payload stage begins, and extracts and starts nothing.
#include "app/kitbag_installer_app.h"
#include "log/log.h"

ResultCode CKitbagInstallerApp::RunEmbeddedResources(DWORD& exitCode) {
    LogText(L"Run Embedded Resources \n");
    exitCode = 0;
    ResultCode result = ProcessCommandLine();
    if (result != 0)
        return result;
    LogText(L"Payload extraction and the wizard start are not built yet\n");
    return result;
}
