// The run's two uses of the message dialog: the question after a failed signature check
// and the failure at the end of a run.
#include "app/kitbag_installer_app.h"
#include "framework/format.h"
#include "res/resource_ids.h"
#include "ui/failure_presenter.h"
#include "ui/kitbag_installer_dlg.h"
#include "ui/signature_question.h"

#include <memory>

namespace {

// The failure dialog, the main window until the process ends. Not a function-local static:
// a null pointer needs no guarded initialisation (framework/built_once.h tells why that
// matters).
std::unique_ptr<CKitbagInstallerDlg> g_failureDialog;

} // namespace

int AskToContinueUnverified(const std::wstring& verdict) {
    CKitbagInstallerDlg dialog(true, nullptr);
    dialog.m_strTitle =
        Format(LoadResString(IDS_VERIFY_QUESTION).c_str(), LoadResString(IDS_PRODUCT));
    dialog.m_strText = verdict;
    AfxGetApp()->m_pMainWnd = &dialog;
    // Only the Yes button ends the dialog with IDOK; Escape, closing the window, No and a
    // dialog that could not be shown all refuse.
    INT_PTR answer = dialog.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    return answer == IDOK ? 1 : 0;
}

void PresentFailure(const FailureMessage& message) {
    g_failureDialog = std::make_unique<CKitbagInstallerDlg>();
    g_failureDialog->m_strText = message.text;
    g_failureDialog->m_strLink = message.link;
    AfxGetApp()->m_pMainWnd = g_failureDialog.get();
    g_failureDialog->DoModal();
}
