// resinfo <exe path>: prints the resources of a built executable, one "name=value" line each,
// UTF-8. Returns 0, or 2 when the file cannot be loaded.
#include "file_version_win.h"
#include "resource_report_win.h"
#include "standard_stream_win.h"
#include "wide_conversion_win.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        WriteToStandardHandle(STD_ERROR_HANDLE, "usage: resinfo <exe path>\n");
        return 2;
    }
    const std::wstring path = argv[1];
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        WriteToStandardHandle(STD_ERROR_HANDLE,
                              WideToUtf8(L"resinfo: cannot load '" + path + L"' (error " +
                                         std::to_wstring(error) + L")\n"));
        return 2;
    }
    std::string report = StringTableLines(module);
    if (auto version = FileVersionText(path))
        report += WideToUtf8(L"version=" + *version + L"\n");
    report += VersionStringLines(path);
    report += ManifestLine(module);
    report += DialogLines(module);
    report += BitmapLines(module);
    report += IconGroupLine(module);
    report += ToolkitLines(module);
    FreeLibrary(module);
    WriteToStandardHandle(STD_OUTPUT_HANDLE, report);
    return 0;
}
