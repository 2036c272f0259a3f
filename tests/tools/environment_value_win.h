#pragma once
// Reading one environment variable of any length.
#include <optional>
#include <string>

// Nothing when the variable is not set; an empty string when it is set to nothing.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name);
