// A stand-in for wintrust.dll, as an attacker would leave one beside a downloaded installer:
// it answers every trust question with "valid" and, when it is loaded, leaves a mark
// ("planted-dll-loaded.txt" beside itself, naming the program that loaded it).
#include <windows.h>

#include <cstddef>

namespace {

void LeaveMark(HMODULE self) {
    wchar_t path[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(self, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH)
        return;
    wchar_t* slash = path;
    for (wchar_t* p = path; *p != L'\0'; ++p) {
        if (*p == L'\\')
            slash = p + 1;
    }
    const wchar_t mark[] = L"planted-dll-loaded.txt";
    if (static_cast<std::size_t>(slash - path) + sizeof(mark) / sizeof(mark[0]) > MAX_PATH)
        return;
    lstrcpyW(slash, mark);

    wchar_t host[MAX_PATH] = {};
    DWORD hostLen = GetModuleFileNameW(nullptr, host, MAX_PATH);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, host, hostLen * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMark(self);
    return TRUE;
}

extern "C" __declspec(dllexport) LONG WINAPI WinVerifyTrust(HWND, GUID*, LPVOID) {
    return 0;
}
