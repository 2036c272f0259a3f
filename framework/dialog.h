#pragma once
// Dialogs from templates of the program's own resources, modal or modeless, with
// exchange of control texts to and from string members.
#include <windows.h>

#include <string>

class CWnd {
public:
    virtual ~CWnd() = default;
    HWND m_hWnd = nullptr;

    BOOL ShowWindow(int command) const {
        return m_hWnd != nullptr && ::ShowWindow(m_hWnd, command);
    }
    void SetWindowText(const std::wstring& text) const {
        if (m_hWnd != nullptr)
            ::SetWindowTextW(m_hWnd, text.c_str());
    }
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
// Binds control to the dialog's control window.
void DDX_Control(CDataExchange& dx, int controlId, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

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
    // Any other message; true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModeless = false;
};
