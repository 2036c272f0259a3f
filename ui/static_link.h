#pragma once
// A static text that acts as a hyperlink: blue until it has been opened once, purple
// after; a click anywhere in the control or the space bar opens the target with the shell.
#include "framework/dialog.h"

#include <string>

class CStaticLink : public CWnd {
public:
    // With no link, the target is the string-table entry of the control's id, else its text.
    explicit CStaticLink(const wchar_t* link = nullptr, bool deleteOnDestroy = false);
    ~CStaticLink() override;

    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // Opens the target; beeps and answers false when no source of it opens.
    bool Navigate();

    std::wstring m_link;
    COLORREF m_color;
    HFONT m_font = nullptr; // the control's font, underlined; made on first paint
    bool m_bDeleteOnDestroy;

    static const COLORREF kUnvisited = RGB(0, 0, 255);
    static const COLORREF kVisited = RGB(128, 0, 128);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    HBRUSH CtlColor(HDC dc);
    void DrawFocusRect();
};

// Asks the shell to open target; true when it did.
bool OpenLinkTarget(const std::wstring& target);
