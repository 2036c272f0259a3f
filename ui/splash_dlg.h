#pragma once
// The borderless picture shown while the payload is unpacked and the wizard starts.
#include "framework/dialog.h"

class SplashDlg : public CDialog {
public:
    explicit SplashDlg(CWnd* parent = nullptr);
    bool Create();

protected:
    BOOL OnInitDialog() override;

private:
    void FitToPicture();

    HICON m_hIcon;
};
