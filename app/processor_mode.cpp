#include "processor_mode.h"

#include "framework/win_app.h"
#include "log/log.h"
#include "res/resource_ids.h"

#include <windows.h>

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableRedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertRedirectionFn = BOOL(WINAPI*)(PVOID);

// Looked up at run time: older systems do not have these entry points.
HMODULE g_kernel32 = nullptr;
IsWow64ProcessFn g_isWow64Process = nullptr;
DisableRedirectionFn g_disableRedirection = nullptr;
RevertRedirectionFn g_revertRedirection = nullptr;
PVOID g_savedRedirection = nullptr;

template <class Fn> bool Lookup(Fn& fn, const char* name) {
    if (fn != nullptr)
        return true;
    if (g_kernel32 == nullptr)
        g_kernel32 = LoadLibraryW(L"kernel32.dll");
    if (g_kernel32 == nullptr)
        return false;
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_kernel32, name)));
    return fn != nullptr;
}

} // namespace

ProcessorMode GetProgramType() {
    std::wstring programType = LoadResString(IDS_PROGRAM_TYPE);
    LogFormat(L"ProgramType '%s'\n", programType);
    ProgramTypeReading reading = ReadProgramType(programType);
    LogText(reading.logLine);
    return reading.mode;
}

bool IsWow64() {
    if (!Lookup(g_isWow64Process, "IsWow64Process"))
        return false;
    BOOL wow64 = FALSE;
    g_isWow64Process(GetCurrentProcess(), &wow64);
    return wow64 != FALSE;
}

void DisableFsRedirection() {
    if (IsWow64() && Lookup(g_disableRedirection, "Wow64DisableWow64FsRedirection"))
        g_disableRedirection(&g_savedRedirection);
}

void RevertFsRedirection() {
    if (IsWow64() && Lookup(g_revertRedirection, "Wow64RevertWow64FsRedirection"))
        g_revertRedirection(g_savedRedirection);
}

ProcessKind CurrentProcessKind() {
    if (sizeof(void*) == 8)
        return ProcessKind::Native64Bit;
    return IsWow64() ? ProcessKind::UnderWow64 : ProcessKind::On32BitWindows;
}

bool CProcessorModeSwitch::Enter() {
    ProcessorMode mode = GetProgramType();
    ProcessorModeDecision decision = DecideProcessorMode(mode, CurrentProcessKind());
    if (!decision.start) {
        LogText(L"Incorrect processor mode with installation type\n");
        return false;
    }
    if (decision.turnOffFsRedirection) {
        LogText(L"Enabling 64Bit spawned processes\n");
        DisableFsRedirection();
        m_bRedirectionOff = true;
    }
    return true;
}

bool CProcessorModeSwitch::Restore() {
    if (m_bRedirectionOff) {
        LogText(L"Restoring 32Bit spawned processes\n");
        RevertFsRedirection();
        m_bRedirectionOff = false;
    }
    return true;
}
