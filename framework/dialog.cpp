#include "dialog.h"

#include "win_app.h"

void DDX_Text(CDataExchange& dx, int controlId, std::wstring& value) {
    HWND control = GetDlgItem(dx.m_hDlg, controlId);
    if (control == nullptr)
        return;
    if (!dx.m_bSaveAndValidate) {
        SetWindowTextW(control, value.c_str());
        return;
    }
    int len = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    int got = GetWindowTextW(control, &text[0], len + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    value = text;
}

void DDX_Control(CDataExchange& dx, int controlId, CWnd& control) {
    if (control.m_hWnd == nullptr)
        control.m_hWnd = GetDlgItem(dx.m_hDlg, controlId);
}

CDialog::~CDialog() {
    if (m_bModeless && m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    m_bModeless = false;
    return DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), parent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create() {
    HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    m_bModeless = true;
    HWND window = CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                     parent, DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::EndDialog(int result) {
    if (m_hWnd == nullptr)
        return;
    ::EndDialog(m_hWnd, result);
    if (m_bModeless)
        ::ShowWindow(m_hWnd, SW_HIDE);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (m_hWnd == nullptr)
        return false;
    CDataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            dialog->OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            dialog->OnCancel();
            return TRUE;
        }
        break;
    case WM_NCDESTROY:
        dialog->m_hWnd = nullptr;
        SetWindowLongPtrW(window, DWLP_USER, 0);
        return FALSE;
    default:
        break;
    }
    INT_PTR result = 0;
    if (dialog->OnMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}
