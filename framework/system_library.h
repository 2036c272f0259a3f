#pragma once
// Libraries outside Windows' known DLLs (wintrust, crypt32, version, comctl32) are not in the
// import table: Windows would look for them in the executable's own folder first, and an
// installer runs from a downloads folder where anyone's files lie beside it. They are loaded
// here at run time, from the system folder only, and their entry points looked up by name.
#include <windows.h>

#include <string>

enum class SystemLibrary { WinTrust, Crypt32, Version, CommonControls };

// Makes the system folder the only place this process loads DLLs from by name: through
// SetDefaultDllDirectories where the system has it, else SetDllDirectoryW(L""), which at
// least takes the current folder out of the search. The first thing the program does.
void RestrictDllSearchToSystemFolder();

// The entry point of a system library, which is loaded on first use and stays loaded; null,
// with a log line, when the library or the entry point cannot be found.
FARPROC SystemLibraryEntry(SystemLibrary library, const char* entry);

template <typename Function> Function* SystemFunction(SystemLibrary library, const char* entry) {
    // Through the one function-pointer type that converts to every other without a warning.
    return reinterpret_cast<Function*>(
        reinterpret_cast<void (*)()>(SystemLibraryEntry(library, entry)));
}

// A typed pointer to the system function `name` as its header declares it, or null.
#define KITBAG_SYSTEM_FUNCTION(library, name) SystemFunction<decltype(name)>(library, #name)

// True when a DLL redirection for this executable ("<program file>.local", a file or a
// folder) lies beside it; path receives its name. Windows would then look for the program's
// libraries, the common controls among them, in places of the redirection's choosing.
bool FindDllRedirection(std::wstring& path);

// While alive, windows made on this thread use the system's own control classes instead of
// the common controls that the application manifest asks for, so that nothing is loaded
// through a redirected activation context. For the message of a refused run only.
class CWithoutManifestControls {
public:
    CWithoutManifestControls();
    ~CWithoutManifestControls();
    CWithoutManifestControls(const CWithoutManifestControls&) = delete;
    CWithoutManifestControls& operator=(const CWithoutManifestControls&) = delete;

private:
    ULONG_PTR m_cookie = 0;
    bool m_active = false;
};
