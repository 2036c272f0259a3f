#include "dialog.h"

#include "win_app.h"

namespace {

const wchar_t kObjectProperty[] = L"Kitbag.CWnd";

// Messages whose answer the dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

bool IsControlColour(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

} // namespace

CWnd::~CWnd() {
    if (m_pfnSuper != nullptr)
        UnsubclassWindow();
}

std::wstring CWnd::GetWindowText() const {
    if (m_hWnd == nullptr)
        return {};
    int len = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, &text[0], len + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

bool CWnd::SubclassWindow(HWND window) {
    if (m_pfnSuper != nullptr || !IsWindow(window) || FromHandlePermanent(window) != nullptr)
        return false;
    if (!SetPropW(window, kObjectProperty, this))
        return false;
    m_hWnd = window;
    PreSubclassWindow();
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (m_pfnSuper == nullptr) {
        RemovePropW(window, kObjectProperty);
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

bool CWnd::SubclassDlgItem(int controlId, HWND dialog) {
    HWND control = GetDlgItem(dialog, controlId);
    return control != nullptr && SubclassWindow(control);
}

HWND CWnd::UnsubclassWindow() {
    HWND window = m_hWnd;
    if (m_pfnSuper == nullptr || window == nullptr)
        return nullptr;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    RemovePropW(window, kObjectProperty);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return window;
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    return window != nullptr ? static_cast<CWnd*>(GetPropW(window, kObjectProperty)) : nullptr;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr)
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = FromHandlePermanent(window);
    if (object == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message != WM_NCDESTROY)
        return object->WindowProc(message, wParam, lParam);
    // The window's last message: detach first, so that PostNcDestroy may delete the object.
    WNDPROC super = object->m_pfnSuper;
    object->UnsubclassWindow();
    LRESULT result = CallWindowProcW(super, window, message, wParam, lParam);
    object->PostNcDestroy();
    return result;
}

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
        control.SubclassDlgItem(controlId, dx.m_hDlg);
}

CDialog::~CDialog() {
    if (m_bModeless && m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

// A modal dialog without a parent is owned by the application's main window when that is a
// window of this thread, so that the main window is disabled while the dialog is open.
static HWND DefaultOwner(const CWnd* dialog) {
    CWinApp* app = AfxGetApp();
    CWnd* main = app != nullptr ? app->m_pMainWnd : nullptr;
    if (main == nullptr || main == dialog || main->m_hWnd == nullptr || !IsWindow(main->m_hWnd))
        return nullptr;
    if (GetWindowThreadProcessId(main->m_hWnd, nullptr) != GetCurrentThreadId())
        return nullptr;
    return GetAncestor(main->m_hWnd, GA_ROOT);
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : DefaultOwner(this);
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
    if (IsControlColour(message)) {
        CWnd* control = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam));
        LRESULT answer = 0;
        if (control != nullptr && control->OnChildNotify(message, wParam, lParam, &answer))
            return static_cast<INT_PTR>(answer);
    }
    INT_PTR result = 0;
    if (!dialog->OnMessage(message, wParam, lParam, result))
        return FALSE;
    if (AnswersDirectly(message))
        return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}
