// Logs who signed the running executable and takes the program name from the signature.
#include "app/kitbag_installer_app.h"
#include "checks/authenticode.h"
#include "checks/authenticode_info.h"
#include "checks/signature_serial.h"
#include "log/log.h"
#include "res/resource_ids.h"

namespace {

const wchar_t* TextOrNull(const PageText& text) {
    return text ? text.get() : L"null";
}

} // namespace

void CKitbagInstallerApp::LogSignatureInformation() {
    m_strProgramName = LoadResString(IDS_PROGRAM_NAME);

    AUTHENTICODE_INFO info;
    if (!GetAuthenticodeInformation(GetModulePath(), info)) {
        LogText(L"Digital verification: Failed\n");
        return;
    }
    LogFormat(L"Digital verification: SubjectName '%s'\n", TextOrNull(info.SubjectName));
    LogFormat(L"Digital verification: ProgramName '%s'\n", TextOrNull(info.ProgramName));
    LogFormat(L"Digital verification: MoreInfo    '%s'\n", TextOrNull(info.MoreInfo));
    LogFormat(L"Digital verification: SerialNumber %s\n",
              SerialNumberText(info.SerialNumber.get(), info.SerialNumberSize));
    LogFormat(L"Digital verification: IssuerName '%s'\n", TextOrNull(info.IssuerName));

    if (info.ProgramName)
        m_strProgramName = info.ProgramName.get();
}
