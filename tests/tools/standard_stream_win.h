#pragma once
// Writes bytes to the standard output or error handle as they are: no line-end translation,
// so a test reading the output sees exactly "\n".
#include <windows.h>

#include <string>

void WriteToStandardHandle(DWORD which, const std::string& bytes);
