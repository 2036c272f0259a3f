#include "kitbag_installer_dlg.h"

#include "framework/format.h"
#include "framework/win_app.h"
#include "res/resource_ids.h"
#include "ui/about_dlg.h"
#include "ui/program_pictures.h"

CKitbagInstallerDlg::CKitbagInstallerDlg() : CKitbagInstallerDlg(false, nullptr) {}

CKitbagInstallerDlg::CKitbagInstallerDlg(bool question, CWnd* parent)
    : CDialog(IDD_KITBAGINSTALLER_DIALOG, parent),
      m_hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_bQuestion(question) {}

void CKitbagInstallerDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, IDC_TITLE_LINE, m_staticTitle);
    DDX_Text(dx, IDC_BODY, m_strText);
    DDX_Text(dx, IDC_TITLE_LINE, m_strTitle);
    DDX_Control(dx, IDC_LINK, m_link);
    DDX_Text(dx, IDC_LINK, m_strLink);
    DDX_Control(dx, IDOK, m_btnOK);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
}

BOOL CKitbagInstallerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    std::wstring product = LoadResString(IDS_PRODUCT);

    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu != nullptr) {
        std::wstring about = Format(LoadResString(IDS_ABOUT_MENU).c_str(), product);
        if (!about.empty()) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ShowProgramPicture(GetDlgItem(m_hWnd, IDC_PICTURE), IDB_HEADER);
    SetWindowText(product);

    if (m_bQuestion) {
        m_btnOK.SetWindowText(L"Yes");
        m_btnCancel.SetWindowText(L"No");
    } else {
        m_btnOK.ShowWindow(SW_HIDE);
    }
    return TRUE;
}

bool CKitbagInstallerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX)
            return false;
        {
            CAboutDlg about;
            about.DoModal();
        }
        result = 0;
        return true;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    default:
        return false;
    }
}

// Only the minimised window is painted here, with the program's icon in the middle.
bool CKitbagInstallerDlg::OnPaint() {
    if (!IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    int x = (rc.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rc.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
    return true;
}
