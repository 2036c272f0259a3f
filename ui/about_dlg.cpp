#include "about_dlg.h"

#include "framework/format.h"
#include "framework/win_app.h"
#include "res/resource_ids.h"

namespace {

// The numbers of the version resource in res/KitbagInstaller.rc.
const int kVersion[4] = {1, 8, 2, 358};

} // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    std::wstring product = LoadResString(IDS_PRODUCT);
    SetWindowText(Format(LoadResString(IDS_ABOUT_CAPTION).c_str(), product));
    if (GetDlgItem(m_hWnd, IDC_VERSION_LINE) != nullptr) {
        std::wstring line = Format(LoadResString(IDS_VERSION_LINE).c_str(), product, kVersion[0],
                                   kVersion[1], kVersion[2], kVersion[3]);
        SetDlgItemTextW(m_hWnd, IDC_VERSION_LINE, line.c_str());
    }
    return TRUE;
}
