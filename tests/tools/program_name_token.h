#pragma once
// Splits a Windows command line after its first token, the program name, by the C runtime's
// rule for argv[0]: quotes switch quoting on and off, a space or tab outside quotes ends the
// token, and no backslash is special.
#include <string>

// The rest of the command line after the program name and the white space that follows it.
std::wstring AfterProgramName(const std::wstring& commandLine);
