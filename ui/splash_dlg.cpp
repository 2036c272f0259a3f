#include "splash_dlg.h"

#include "framework/win_app.h"
#include "res/resource_ids.h"

SplashDlg::SplashDlg(CWnd* parent)
    : CDialog(IDD_SPLASH, parent),
      m_hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

bool SplashDlg::Create() {
    return CDialog::Create();
}

BOOL SplashDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}
