// winlist: prints every top-level window, one per line, for tests that watch windows come
// and go: "<visible 0|1>\t<process id>\t<program file name>\t<class>\t<title>\n" (UTF-8).
#include "tests/tools/line_escape.h"
#include "tests/tools/standard_stream_win.h"
#include "tests/tools/wide_conversion_win.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring ProgramOf(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return L"?";
    std::vector<wchar_t> path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    std::wstring name = L"?";
    if (QueryFullProcessImageNameW(process, 0, path.data(), &size)) {
        name.assign(path.data(), size);
        auto slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos)
            name.erase(0, slash + 1);
    }
    CloseHandle(process);
    return name;
}

std::wstring TextOf(HWND window, bool className) {
    std::vector<wchar_t> text(1024, L'\0');
    int n = className ? GetClassNameW(window, text.data(), static_cast<int>(text.size()))
                      : GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

BOOL CALLBACK Describe(HWND window, LPARAM out) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    bool visible = (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    std::wstring line = std::wstring(visible ? L"1" : L"0") + L"\t" + std::to_wstring(processId) +
                        L"\t" + ProgramOf(processId) + L"\t" + EscapeForLine(TextOf(window, true)) +
                        L"\t" + EscapeForLine(TextOf(window, false)) + L"\n";
    *reinterpret_cast<std::string*>(out) += WideToUtf8(line);
    return TRUE;
}

} // namespace

int wmain() {
    std::string out;
    EnumWindows(Describe, reinterpret_cast<LPARAM>(&out));
    WriteToStandardHandle(STD_OUTPUT_HANDLE, out);
    return 0;
}
