#pragma once
// The prompt for another drive when the temporary folder cannot take files.
#include "framework/dialog.h"

#include <string>

class CTempFolderDialog : public CDialog {
public:
    explicit CTempFolderDialog(const std::wstring& title);

    std::wstring m_strTitle;
    std::wstring m_strDrive;
    CWnd m_editDrive;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
};
