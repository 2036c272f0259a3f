#include "app/kitbag_installer_app.h"
#include "log/log.h"
#include "res/resource_ids.h"
#include "ui/temp_folder_dialog.h"

namespace {

// The main thread follows the prompt count only when it wakes; wake it now.
void WakeMainThread() {
    PostThreadMessageW(AfxGetApp()->m_nThreadID, WM_NULL, 0, 0);
}

} // namespace

ResultCode CKitbagInstallerApp::PromptForTempFolder(std::wstring& folder) {
    ResultCode result = result::kFail;
    if (m_bSilent) {
        LogText(L"Not Prompting the user as silent installation\n");
        return result;
    }
    CTempFolderDialog dialog(LoadResString(IDS_PRODUCT));
    dialog.m_strDrive = folder;
    ++m_nPromptDepth;
    WakeMainThread();
    if (dialog.DoModal() == IDOK) {
        folder = dialog.m_strDrive;
        result = result::kSuccess;
    }
    --m_nPromptDepth;
    WakeMainThread();
    return result;
}
