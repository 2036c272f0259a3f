#include "static_link.h"

#include "framework/win_app.h"

#include <shellapi.h>

namespace {

HCURSOR LinkCursor() {
    static HCURSOR cursor = nullptr;
    if (cursor == nullptr)
        cursor = LoadCursorW(nullptr, IDC_HAND);
    return cursor;
}

bool IsTextStyle(LONG style) {
    LONG type = style & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
}

} // namespace

bool OpenLinkTarget(const std::wstring& target) {
    if (target.empty())
        return false;
    HINSTANCE answer =
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(answer) > 32;
}

CStaticLink::CStaticLink(const wchar_t* link, bool deleteOnDestroy)
    : m_link(link != nullptr ? link : L""), m_color(kUnvisited),
      m_bDeleteOnDestroy(deleteOnDestroy) {}

CStaticLink::~CStaticLink() {
    UnsubclassWindow();
    if (m_font != nullptr)
        DeleteObject(m_font);
}

bool CStaticLink::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_CTLCOLORSTATIC)
        return false;
    HBRUSH brush = CtlColor(reinterpret_cast<HDC>(wParam));
    if (brush == nullptr)
        return false;
    *result = reinterpret_cast<LRESULT>(brush);
    return true;
}

HBRUSH CStaticLink::CtlColor(HDC dc) {
    // Only plain text statics: left, centred or right-aligned, nothing else in the low byte.
    LONG style = GetWindowLongW(m_hWnd, GWL_STYLE) & 0xFF;
    if (style != SS_LEFT && style != SS_CENTER && style != SS_RIGHT)
        return nullptr;
    if (m_font == nullptr) {
        auto current = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        if (current == nullptr)
            current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTW font{};
        if (GetObjectW(current, sizeof font, &font) == sizeof font) {
            font.lfUnderline = TRUE;
            m_font = CreateFontIndirectW(&font);
        }
        // Some static controls select their own font after asking for colours.
        if (m_font != nullptr)
            SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    }
    if (m_font != nullptr)
        SelectObject(dc, m_font);
    SetTextColor(dc, m_color);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CStaticLink::Navigate() {
    bool opened = !m_link.empty() && OpenLinkTarget(m_link);
    if (!opened) {
        m_link = LoadResString(static_cast<UINT>(GetDlgCtrlID(m_hWnd)));
        opened = !m_link.empty() && OpenLinkTarget(m_link);
    }
    if (!opened) {
        m_link = GetWindowText();
        opened = OpenLinkTarget(m_link);
    }
    if (!opened) {
        MessageBeep(0);
        return false;
    }
    m_color = kVisited;
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

void CStaticLink::DrawFocusRect() {
    HWND parent = GetParent(m_hWnd);
    if (parent == nullptr)
        return;
    RECT rc{};
    LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    if (IsTextStyle(style)) {
        std::wstring text = GetWindowText();
        HDC dc = GetDC(m_hWnd);
        HGDIOBJ old =
            SelectObject(dc, m_font != nullptr
                                 ? m_font
                                 : reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT);
        SelectObject(dc, old);
        ReleaseDC(m_hWnd, dc);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        LONG room = client.right - (rc.right - rc.left);
        LONG type = style & SS_TYPEMASK;
        LONG shift = type == SS_CENTER ? room / 2 : type == SS_RIGHT ? room : 0;
        OffsetRect(&rc, shift, 0);
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    } else {
        GetWindowRect(m_hWnd, &rc);
    }
    InflateRect(&rc, 1, 1);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    HDC dc = GetDC(parent);
    ::DrawFocusRect(dc, &rc);
    ReleaseDC(parent, dc);
}

LRESULT CStaticLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SETCURSOR: {
        HCURSOR cursor = LinkCursor();
        if (cursor == nullptr)
            return FALSE;
        SetCursor(cursor);
        return TRUE;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case WM_CHAR:
        if (wParam == L' ')
            Navigate();
        return 0;
    case WM_LBUTTONUP:
        Navigate();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT result = Default(message, wParam, lParam);
        DrawFocusRect();
        return result;
    }
    default:
        return Default(message, wParam, lParam);
    }
}

void CStaticLink::PostNcDestroy() {
    if (m_bDeleteOnDestroy)
        delete this;
}
