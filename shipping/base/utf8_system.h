#pragma once
// The tools keep every path, argument and environment value as UTF-8. On Windows these
// cross to the system's UTF-16 here, never through the ANSI code page that a narrow string
// otherwise means there (which cannot hold most names, and would garble the rest).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kitbag {

// A UTF-8 path as the system's own.
std::filesystem::path PathOf(const std::string& utf8);
// A path as UTF-8.
std::string Utf8Of(const std::filesystem::path& path);
// The program's arguments, argv[0] first. On Windows they are read again from the UTF-16
// command line, since argv has passed through the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// An environment variable's value; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

#ifdef _WIN32
std::wstring WideOf(const std::string& utf8);
std::string Utf8OfWide(const std::wstring& wide);
// The "\\?\" form of a path, absolute and plain, which the system's own calls take past 260
// characters whatever the machine's settings. The C runtime's calls (and so the C++
// library's) must not be given it: they take its "?" for a wildcard.
std::wstring LongPathForm(const std::filesystem::path& path);
#endif

} // namespace kitbag
