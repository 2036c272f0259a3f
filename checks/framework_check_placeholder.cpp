// PLACEHOLDER until .NET Framework detection is built: the check passes and says that it
// did not look.
#include "app/kitbag_installer_app.h"
#include "log/log.h"

bool CKitbagInstallerApp::CheckFrameworkVersion() {
    LogText(L".NET Framework not checked: detection is not built yet\n");
    return true;
}
