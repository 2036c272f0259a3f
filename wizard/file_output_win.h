#pragma once
// Writing bytes to files. Both answer false with GetLastError() telling why.
#include <string>

// Adds `bytes` at the end of the file, creating it if needed. Others may read, write and
// delete the file meanwhile, so a log another process keeps closed-but-owned is not disturbed.
bool AppendToFile(const std::wstring& path, const std::string& bytes);

// Replaces whatever was at `path` with exactly `bytes`.
bool WriteNewFile(const std::wstring& path, const std::string& bytes);
