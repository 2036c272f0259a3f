#pragma once
// The file version of an executable, from its version resource's fixed part.
#include <optional>
#include <string>

// "a.b.c.d", or nothing when the file has no version resource.
std::optional<std::wstring> FileVersionText(const std::wstring& path);
// The standard texts of the version resource's first translation, as Windows reads them:
// "versionstring[Key]=value" lines, UTF-8, for each key that is present.
std::string VersionStringLines(const std::wstring& path);
