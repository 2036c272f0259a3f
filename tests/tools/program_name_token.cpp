#include "program_name_token.h"

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

} // namespace

std::wstring AfterProgramName(const std::wstring& commandLine) {
    const std::size_t n = commandLine.size();
    std::size_t pos = 0;
    bool quoted = false;
    for (; pos < n; ++pos) {
        if (commandLine[pos] == L'"')
            quoted = !quoted;
        else if (!quoted && IsBlank(commandLine[pos]))
            break;
    }
    while (pos < n && IsBlank(commandLine[pos]))
        ++pos;
    return commandLine.substr(pos);
}
