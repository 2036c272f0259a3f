#pragma once
// Collects top-level windows that pass a filter, to tell when the wizard shows a window.
#include <windows.h>

#include <vector>

class CWindowIterator {
public:
    explicit CWindowIterator(DWORD capacity) : m_items(capacity) {}
    virtual ~CWindowIterator() = default;
    CWindowIterator(const CWindowIterator&) = delete;
    CWindowIterator& operator=(const CWindowIterator&) = delete;

    // Enumerates the top-level windows now and returns the first kept one, or none.
    HWND First();
    // The next kept window, or none.
    HWND Next();

protected:
    // Called for every top-level window; keeps it when the filter accepts it and there is room.
    virtual BOOL OnEnumWindow(HWND window);
    virtual bool OnWindow(HWND) { return true; }

private:
    static BOOL CALLBACK EnumProc(HWND window, LPARAM self);

    std::vector<HWND> m_items;
    DWORD m_count = 0;
    DWORD m_current = 0;
};

// Keeps the (visible) top-level windows of one process.
class CMainWindowIterator : public CWindowIterator {
public:
    CMainWindowIterator(DWORD processId, bool visibleOnly, DWORD capacity)
        : CWindowIterator(capacity), m_processId(processId), m_visibleOnly(visibleOnly) {}

protected:
    bool OnWindow(HWND window) override;

private:
    DWORD m_processId;
    bool m_visibleOnly;
};

// True when the process owns at least one visible top-level window.
bool IsWizardWindowVisible(const PROCESS_INFORMATION& process);
