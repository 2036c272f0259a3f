#include "system_library.h"

#include "framework/dll_redirection.h"
#include "framework/win_app.h"
#include "log/log.h"

#include <atomic>

namespace {

struct LibraryName {
    SystemLibrary library;
    const wchar_t* file;
};
constexpr LibraryName kLibraries[] = {{SystemLibrary::WinTrust, L"wintrust.dll"},
                                      {SystemLibrary::Crypt32, L"crypt32.dll"},
                                      {SystemLibrary::Version, L"version.dll"},
                                      {SystemLibrary::CommonControls, L"comctl32.dll"}};
constexpr std::size_t kLibraryCount = sizeof(kLibraries) / sizeof(kLibraries[0]);

// Loaded libraries, by their index in kLibraries. Two threads that load the same library at
// once both get it; the second load only raises its reference count.
std::atomic<HMODULE> g_modules[kLibraryCount];
// Whether this system understands LOAD_LIBRARY_SEARCH_SYSTEM32: it came with
// SetDefaultDllDirectories.
std::atomic<bool> g_searchFlagsKnown{false};

// The pseudo-handle of the empty activation context (winbase.h of newer SDKs).
const HANDLE kEmptyActivationContext = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-3));

std::size_t IndexOf(SystemLibrary library) {
    for (std::size_t i = 0; i < kLibraryCount; ++i) {
        if (kLibraries[i].library == library)
            return i;
    }
    return 0;
}

std::wstring SystemFolder() {
    UINT needed = GetSystemDirectoryW(nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring folder(needed, L'\0');
    UINT got = GetSystemDirectoryW(&folder[0], needed);
    if (got == 0 || got >= needed)
        return {};
    folder.resize(got);
    return folder;
}

HMODULE LoadFromSystemFolder(const wchar_t* file) {
    if (g_searchFlagsKnown)
        return LoadLibraryExW(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without the flag the full path says where; the altered search path makes the library's
    // own dependencies come from its folder too.
    std::wstring folder = SystemFolder();
    if (folder.empty())
        return nullptr;
    if (folder.back() != L'\\')
        folder += L'\\';
    return LoadLibraryExW((folder + file).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // Windows 7 has it only with update KB2533623; Windows 8 and later always.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC found =
        kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        g_searchFlagsKnown = true;
        return;
    }
    SetDllDirectoryW(L"");
}

FARPROC SystemLibraryEntry(SystemLibrary library, const char* entry) {
    const std::size_t index = IndexOf(library);
    HMODULE module = g_modules[index];
    if (module == nullptr) {
        module = LoadFromSystemFolder(kLibraries[index].file);
        if (module == nullptr) {
            const DWORD error = GetLastError();
            LogFormat(L"Cannot load '%s' from the system folder, error %ld\n",
                      kLibraries[index].file, static_cast<std::int32_t>(error));
            SetLastError(error);
            return nullptr;
        }
        g_modules[index] = module;
    }
    FARPROC address = GetProcAddress(module, entry);
    if (address == nullptr) {
        const DWORD error = GetLastError();
        std::wstring name(entry, entry + std::char_traits<char>::length(entry));
        LogFormat(L"Cannot find '%s' in '%s', error %ld\n", name, kLibraries[index].file,
                  static_cast<std::int32_t>(error));
        SetLastError(error);
    }
    return address;
}

bool FindDllRedirection(std::wstring& path) {
    const std::wstring program = ProgramFilePath();
    if (program.empty()) {
        // Without its own path the program cannot tell; it refuses rather than guess.
        path = L"<unknown program path>.local";
        return true;
    }
    path = program + L".local";
    if (GetFileAttributesW(DllRedirectionPath(program).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    return !ProvesAbsent(GetLastError());
}

CWithoutManifestControls::CWithoutManifestControls() {
    m_active = ActivateActCtx(kEmptyActivationContext, &m_cookie) != FALSE;
    if (!m_active)
        LogFormat(L"Cannot set the manifest's common controls aside, error %ld\n",
                  static_cast<std::int32_t>(GetLastError()));
}

CWithoutManifestControls::~CWithoutManifestControls() {
    if (m_active)
        DeactivateActCtx(0, m_cookie);
}
