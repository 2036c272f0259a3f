#pragma once
// The program-wide diagnostic log. Every message carries its own "\n".
#include "diagnostic_log.h"
#include "framework/format.h"

#include <string>

// The process's one log, with this platform's file stream and code page.
DiagnosticLog& TheLog();

void LogText(const std::wstring& text);
void OpenLog(const std::string& ansiName);
void ReopenLog();
void CloseLog();

template <class... Args> void LogFormat(const wchar_t* format, const Args&... args) {
    LogText(Format(format, args...));
}
