// PLACEHOLDER until signature verification is built: nothing is verified, the verdict
// says so, and the program name stays the build's default.
#include "app/kitbag_installer_app.h"
#include "checks/authenticode.h"
#include "framework/format.h"
#include "log/log.h"
#include "res/resource_ids.h"

long VerifyFileSignature(const std::wstring& path, std::wstring& verdict) {
    verdict = Format(L"The file \"%s\" was not checked: signature verification is not built yet.\n",
                     path);
    LogFormat(L"Digital verification: '%s'\n", verdict);
    return 0;
}

void CKitbagInstallerApp::LogSignatureInformation() {
    m_strProgramName = LoadResString(IDS_PROGRAM_NAME);
}
