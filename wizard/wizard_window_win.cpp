#include "wizard_window_win.h"

namespace {

constexpr wchar_t kClassName[] = L"KitbagSampleWizard";
constexpr wchar_t kTitle[] = L"Kitbag Sample Wizard";
constexpr UINT_PTR kRevealTimer = 1;
constexpr UINT_PTR kLingerTimer = 2;
constexpr int kWidth = 440;
constexpr int kHeight = 170;

struct WindowPlan {
    std::uint32_t hiddenMs = 0;
    std::optional<std::uint32_t> lingerMs;
};

void StartLingering(HWND window, const WindowPlan& plan) {
    if (!plan.lingerMs)
        return;
    if (*plan.lingerMs == 0)
        PostMessageW(window, WM_CLOSE, 0, 0);
    else
        SetTimer(window, kLingerTimer, *plan.lingerMs, nullptr);
}

void Reveal(HWND window, const WindowPlan& plan) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetFocus(GetDlgItem(window, IDOK));
    StartLingering(window, plan);
}

void AddControls(HWND window, HINSTANCE instance) {
    RECT client = {};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HWND text = CreateWindowExW(0, L"STATIC",
                                L"The Kitbag sample wizard stands in for the installation wizard.",
                                WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 16, width - 32, 40, window,
                                nullptr, instance, nullptr);
    HWND finish = CreateWindowExW(
        0, L"BUTTON", L"Finish", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
        width - 16 - 88, height - 16 - 26, 88, 26, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    const WPARAM font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(text, WM_SETFONT, font, FALSE);
    SendMessageW(finish, WM_SETFONT, font, FALSE);
}

LRESULT CALLBACK WizardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* plan =
        reinterpret_cast<const WindowPlan*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        AddControls(window, create->hInstance);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kRevealTimer && plan != nullptr) {
            KillTimer(window, kRevealTimer);
            Reveal(window, *plan);
        } else if (wParam == kLingerTimer) {
            KillTimer(window, kLingerTimer);
            DestroyWindow(window);
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterWizardClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WizardWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

} // namespace

bool RunWizardWindow(HINSTANCE instance, const WizardSettings& settings) {
    if (!RegisterWizardClass(instance))
        return false;
    WindowPlan plan;
    plan.hiddenMs = settings.hiddenMs;
    plan.lingerMs = settings.lingerMs;
    HWND window = CreateWindowExW(
        0, kClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, &plan);
    if (window == nullptr)
        return false;
    if (settings.window == WindowMode::HiddenFirst)
        SetTimer(window, kRevealTimer, plan.hiddenMs, nullptr);
    else
        Reveal(window, plan);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Lets Return, Escape and Tab work as they do in a dialog.
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}
