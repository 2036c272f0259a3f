// uiprobe: finds a visible top-level window by its exact title and reads or operates it,
// for the end-to-end tests of the installer's dialogs.
//   uiprobe texts TITLE              caption, "enabled|0|1", "owner|<owner's title>", then
//                                    "<id>|<class>|<visible>|<text>" per control
//   uiprobe click TITLE ID           clicks the button ID
//   uiprobe link TITLE ID            releases the left mouse button over control ID
//   uiprobe escape TITLE             presses Escape in the window
//   uiprobe close TITLE              closes the window from its frame
//   uiprobe syscommand TITLE CMD     sends a system-menu command (decimal)
//   uiprobe menu TITLE               the system menu's items, one per line
//   uiprobe minimize TITLE           minimises the window and reports its state
//   uiprobe record FILE ARGS...      appends ARGS to FILE (stands in for a URL handler)
// Waits up to 20 s for the window; exits 2 when it never shows.
#include "tests/tools/standard_stream_win.h"
#include "tests/tools/wide_conversion_win.h"

#include <windows.h>

#include <string>

namespace {

void Print(const std::wstring& text) {
    WriteToStandardHandle(STD_OUTPUT_HANDLE, WideToUtf8(text));
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[1024] = {};
    // Another process's control: WM_GETTEXT is marshalled, GetWindowText is not.
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK,
                        5000, nullptr);
    buffer[1023] = L'\0';
    return buffer;
}

HWND FindVisible(const std::wstring& title) {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowW(nullptr, title.c_str());
        while (window != nullptr && !IsWindowVisible(window))
            window = FindWindowExW(nullptr, window, nullptr, title.c_str());
        if (window != nullptr)
            return window;
        Sleep(100);
    }
    return nullptr;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    Print(std::to_wstring(GetDlgCtrlID(control)) + L"|" + cls + L"|" +
          (IsWindowVisible(control) ? L"1" : L"0") + L"|" + TextOf(control) + L"\n");
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 1;
    std::wstring command = argv[1];
    if (command == L"record") {
        std::wstring line;
        for (int i = 3; i < argc; ++i)
            line += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
        line += L"\n";
        HANDLE file = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        std::string bytes = WideToUtf8(line);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return 0;
    }
    HWND window = FindVisible(argv[2]);
    if (window == nullptr)
        return 2;
    auto control = [&](int index) { return GetDlgItem(window, _wtoi(argv[index])); };
    if (command == L"texts") {
        Print(L"caption|" + TextOf(window) + L"\n");
        Print(std::wstring(L"enabled|") + (IsWindowEnabled(window) ? L"1" : L"0") + L"\n");
        HWND owner = GetWindow(window, GW_OWNER);
        Print(L"owner|" + (owner != nullptr ? TextOf(owner) : std::wstring()) + L"\n");
        EnumChildWindows(window, PrintControl, 0);
    } else if (command == L"click" && argc > 3) {
        PostMessageW(control(3), BM_CLICK, 0, 0);
    } else if (command == L"link" && argc > 3) {
        PostMessageW(control(3), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    } else if (command == L"escape") {
        DWORD thread = GetWindowThreadProcessId(window, nullptr);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        HWND focus = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : window;
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    } else if (command == L"close") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (command == L"syscommand" && argc > 3) {
        PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(_wtoi(argv[3])), 0);
    } else if (command == L"menu") {
        HMENU menu = GetSystemMenu(window, FALSE);
        int count = menu != nullptr ? GetMenuItemCount(menu) : 0;
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            Print(std::to_wstring(GetMenuItemID(menu, i)) + L"|" + text + L"\n");
        }
    } else if (command == L"minimize") {
        ShowWindowAsync(window, SW_MINIMIZE);
        Sleep(1000);
        RECT rc{};
        GetWindowRect(window, &rc);
        Print(L"iconic|" + std::to_wstring(IsIconic(window) ? 1 : 0) + L"|" +
              std::to_wstring(rc.left) + L"|" + std::to_wstring(rc.top) + L"|" +
              std::to_wstring(rc.right) + L"|" + std::to_wstring(rc.bottom) + L"\n");
    } else {
        return 1;
    }
    return 0;
}
