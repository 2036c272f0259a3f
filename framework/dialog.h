#pragma once
// Dialogs from templates of the program's own resources, modal or modeless, with
// exchange of control texts to and from string members, and control windows of a dialog
// taken over by objects of their own (subclassing) that also get the notifications their
// parent would otherwise handle for them (reflection).
#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    BOOL ShowWindow(int command) const {
        return m_hWnd != nullptr && ::ShowWindow(m_hWnd, command);
    }
    void SetWindowText(const std::wstring& text) const {
        if (m_hWnd != nullptr)
            ::SetWindowTextW(m_hWnd, text.c_str());
    }
    std::wstring GetWindowText() const;

    // Routes the window's messages through WindowProc until it is destroyed. False when
    // the window is already taken over or window is not a window.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int controlId, HWND dialog);
    // Gives the window back its own procedure; the detached handle.
    HWND UnsubclassWindow();
    // The object that has subclassed window, if any.
    static CWnd* FromHandlePermanent(HWND window);

    // A notification (WM_CTLCOLOR*) that the parent reflects back to the control; true
    // with *result when the control answers it itself.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    // Every message of a subclassed window; the default passes it to the window's own
    // procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Just before the window is taken over, with m_hWnd already set.
    virtual void PreSubclassWindow() {}
    // After the subclassed window's last message; the object is no longer attached.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC m_pfnSuper = nullptr;
};

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate)
        : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}
    HWND m_hDlg;
    bool m_bSaveAndValidate; // true: controls to members; false: members to controls
};

// Moves a control's whole text to or from value.
void DDX_Text(CDataExchange& dx, int controlId, std::wstring& value);
// Binds control to the dialog's control window, subclassing it.
void DDX_Control(CDataExchange& dx, int controlId, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    ~CDialog() override;

    // Runs the dialog modally; -1 when it cannot be created.
    INT_PTR DoModal();
    // Creates the dialog modeless; visible only if its template says so.
    bool Create();
    // Ends a modal dialog with result; hides a modeless one.
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate);

protected:
    // Fills the controls from the members; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    virtual void OnOK();
    virtual void OnCancel();
    // Any other message; true when handled, with its result. For the messages whose
    // answer a dialog procedure returns itself (WM_CTLCOLOR*, WM_QUERYDRAGICON and the
    // like) result is that answer; for all others it becomes the message result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModeless = false;
};
