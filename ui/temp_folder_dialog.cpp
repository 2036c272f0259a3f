#include "temp_folder_dialog.h"

#include "res/resource_ids.h"

CTempFolderDialog::CTempFolderDialog(const std::wstring& title)
    : CDialog(IDD_TEMP_FOLDER), m_strTitle(title) {}

void CTempFolderDialog::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, IDC_DRIVE, m_editDrive);
    DDX_Text(dx, IDC_DRIVE, m_strDrive);
}

BOOL CTempFolderDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_strTitle);
    // Typing replaces the whole folder text.
    SetFocus(m_editDrive.m_hWnd);
    SendMessageW(m_editDrive.m_hWnd, EM_SETSEL, 0, -1);
    SendMessageW(m_editDrive.m_hWnd, EM_SCROLLCARET, 0, 0);
    return FALSE;
}
