#include "static_ex.h"

namespace {

HFONT MakeTitleFont() {
    LOGFONTW font{};
    font.lfHeight = 14;
    font.lfWeight = FW_BOLD;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

} // namespace

CStaticEx::CStaticEx() : m_font(MakeTitleFont()) {}

CStaticEx::~CStaticEx() {
    UnsubclassWindow();
    if (m_font != nullptr)
        DeleteObject(m_font);
}

bool CStaticEx::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    bool handled = CWnd::OnChildNotify(message, wParam, lParam, result);
    if (message != WM_CTLCOLORSTATIC)
        return handled;
    auto dc = reinterpret_cast<HDC>(wParam);
    if (m_font != nullptr)
        SelectObject(dc, m_font);
    SetBkMode(dc, TRANSPARENT);
    *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return true;
}

// Some static controls select their own font after asking the parent for colours, so the
// control is given the bold font as its own too.
void CStaticEx::PreSubclassWindow() {
    if (m_font != nullptr)
        SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
}
