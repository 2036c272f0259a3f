#pragma once
// The file version of an executable, from its version resource's fixed part.
#include <optional>
#include <string>

// "a.b.c.d", or nothing when the file has no version resource.
std::optional<std::wstring> FileVersionText(const std::wstring& path);
