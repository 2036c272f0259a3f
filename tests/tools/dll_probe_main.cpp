// dll_probe: loads wintrust.dll by its bare name, with the default search order, the way an
// import-table entry would, and prints "loaded=<path of the module it got>". The control of
// the planting test: it shows whether Wine takes a planted copy beside the program at all.
#include "standard_stream_win.h"
#include "wide_conversion_win.h"

#include <windows.h>

int wmain() {
    HMODULE module = LoadLibraryW(L"wintrust.dll");
    if (module == nullptr) {
        WriteToStandardHandle(STD_OUTPUT_HANDLE, "error=" + std::to_string(GetLastError()) + "\n");
        return 1;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    WriteToStandardHandle(STD_OUTPUT_HANDLE, "loaded=" + WideToUtf8(path) + "\n");
    return 0;
}
