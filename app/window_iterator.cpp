#include "window_iterator.h"

HWND CWindowIterator::First() {
    EnumWindows(EnumProc, reinterpret_cast<LPARAM>(this));
    m_current = 0;
    return Next();
}

HWND CWindowIterator::Next() {
    if (m_current < m_count)
        return m_items[m_current++];
    return nullptr;
}

BOOL CWindowIterator::OnEnumWindow(HWND window) {
    if (OnWindow(window) && m_count < m_items.size())
        m_items[m_count++] = window;
    return TRUE; // visit every window; those beyond the capacity are dropped
}

BOOL CALLBACK CWindowIterator::EnumProc(HWND window, LPARAM self) {
    return reinterpret_cast<CWindowIterator*>(self)->OnEnumWindow(window);
}

bool CMainWindowIterator::OnWindow(HWND window) {
    if (m_visibleOnly && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) == 0)
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId == m_processId;
}

bool IsWizardWindowVisible(const PROCESS_INFORMATION& process) {
    CMainWindowIterator windows(process.dwProcessId, true, 1024);
    return windows.First() != nullptr;
}
