#include "log.h"

void LogText(const std::wstring& text) {
    TheLog().Write(text);
}
void OpenLog(const std::string& ansiName) {
    TheLog().Open(ansiName);
}
void ReopenLog() {
    TheLog().Reopen();
}
void CloseLog() {
    TheLog().Close();
}
