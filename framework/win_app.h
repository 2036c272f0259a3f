#pragma once
// The application object and entry point: the one CWinApp is a static object; the entry
// calls its InitInstance and, when that answers false, ends with its ExitInstance result.
#include <windows.h>

#include <string>
#include <vector>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_lpCmdLine = L""; // the command line after the program name
    CWnd* m_pMainWnd = nullptr;
    DWORD m_nThreadID = GetCurrentThreadId(); // the main thread: the object is built there
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// Starts a worker thread running proc(param) at once; it cleans up after itself when it
// ends. False, with the system's error as the last error, when it cannot be started.
using AFX_THREADPROC = UINT (*)(LPVOID);
bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param);

// The parameters after the program name, split by the runtime's command-line rules.
std::vector<std::wstring> CommandLineParameters();

// The full path of the program's own file, however long.
std::wstring ProgramFilePath();

// A string-table entry of the program's own module; empty when there is none.
std::wstring LoadResString(UINT id);
