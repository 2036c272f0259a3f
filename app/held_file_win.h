#pragma once
// Deleting and starting files that another program may hold for a moment.
#include "app/retry_while_held.h"

#include <windows.h>

#include <string>

// Deletes files and removes folders, retrying while the system reports them held (a sharing
// violation, or access denied to a file that is not read-only) within one budget for all of
// them, so that a clean-up never waits longer than that in all. A file or folder given up
// while held is logged with the system's error; anything else that cannot be deleted stays
// without a word, as before.
class HeldFileDeleter {
public:
    HeldFileDeleter() : m_schedule(kHeldFileBudgetMs) {}
    bool DeleteOneFile(const std::wstring& path);
    bool RemoveEmptyFolder(const std::wstring& path);

private:
    RetrySchedule m_schedule;
};

// CreateProcessW with these creation flags, retried within the budget while the program file
// is held.
BOOL CreateProcessWhileHeld(wchar_t* commandLine, DWORD flags, STARTUPINFOW& startup,
                            PROCESS_INFORMATION& process);
