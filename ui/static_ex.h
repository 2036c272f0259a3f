#pragma once
// A static text drawn in its own bold font on a transparent background, whatever the
// dialog's font.
#include "framework/dialog.h"

class CStaticEx : public CWnd {
public:
    CStaticEx();
    ~CStaticEx() override;

    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    void PreSubclassWindow() override;

private:
    HFONT m_font;
};
