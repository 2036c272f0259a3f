#pragma once
// The message dialog: a failure with its text and, for a missing framework, a download
// link (error mode, only "Cancel"); or the question whether to go on ("Yes"/"No").
#include "framework/dialog.h"
#include "ui/static_ex.h"
#include "ui/static_link.h"

#include <string>

class CKitbagInstallerDlg : public CDialog {
public:
    CKitbagInstallerDlg();
    CKitbagInstallerDlg(bool question, CWnd* parent);

    std::wstring m_strText;
    std::wstring m_strTitle = L"Error";
    std::wstring m_strLink;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool OnPaint();

    HICON m_hIcon;
    CStaticEx m_staticTitle;
    CStaticLink m_link;
    CWnd m_btnOK;
    CWnd m_btnCancel;
    bool m_bQuestion;
};
