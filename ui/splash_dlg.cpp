#include "splash_dlg.h"

#include "framework/win_app.h"
#include "res/resource_ids.h"
#include "ui/program_pictures.h"

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
    ShowProgramPicture(GetDlgItem(m_hWnd, IDC_PICTURE), IDB_SPLASH);
    FitToPicture();
    return TRUE;
}

void SplashDlg::FitToPicture() {
    // The picture control takes its bitmap's size; dialog units of another font size would
    // leave a strip of background beside it or cut the picture.
    HWND picture = GetDlgItem(m_hWnd, IDC_PICTURE);
    RECT pictureRect{};
    if (picture == nullptr || !GetWindowRect(picture, &pictureRect))
        return;
    RECT frame{0, 0, pictureRect.right - pictureRect.left, pictureRect.bottom - pictureRect.top};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
    // Centred on the screen's work area, as a splash is expected to be.
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
