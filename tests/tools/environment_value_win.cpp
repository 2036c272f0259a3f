#include "environment_value_win.h"

#include <windows.h>

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    // The value can change between the two calls, so ask again until it fits.
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        wchar_t probe[1];
        const DWORD needed = GetEnvironmentVariableW(name, probe, 1);
        if (needed == 0)
            return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                            : std::optional<std::wstring>(L"");
        std::wstring value(needed, L'\0');
        const DWORD length = GetEnvironmentVariableW(name, &value[0], needed);
        if (length < needed) {
            value.resize(length);
            return value;
        }
    }
}
