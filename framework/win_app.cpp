#include "win_app.h"

#include <process.h>
#include <stdlib.h>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_app != nullptr && g_app->m_hInstance != nullptr ? g_app->m_hInstance
                                                             : GetModuleHandleW(nullptr);
}

namespace {

struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* p) {
    ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    return start.proc(start.param);
}

} // namespace

bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param) {
    auto* start = new ThreadStart{proc, param};
    uintptr_t handle = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (handle == 0) {
        DWORD error = GetLastError();
        delete start;
        SetLastError(error != 0 ? error : ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

std::vector<std::wstring> CommandLineParameters() {
    std::vector<std::wstring> params;
    for (int i = 1; i < __argc && __wargv != nullptr; ++i)
        params.emplace_back(__wargv[i] != nullptr ? __wargv[i] : L"");
    return params;
}

std::wstring ProgramFilePath() {
    // Grows the buffer until the whole path fits, so a long path is never cut.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD len = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (len == 0)
            return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

std::wstring LoadResString(UINT id) {
    // With a zero length LoadStringW hands out a pointer into the resource itself,
    // so entries of any length are read whole.
    const wchar_t* text = nullptr;
    int len = LoadStringW(AfxGetInstanceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (len <= 0 || text == nullptr)
        return {};
    return std::wstring(text, static_cast<std::size_t>(len));
}
