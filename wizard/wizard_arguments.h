#pragma once
// What the wizard reads from its argument list (argv[0], the program, is never an argument).
#include <optional>
#include <string>
#include <vector>

// The argument after the first "/log" (any case); nothing when there is none or "/log" is last.
std::optional<std::wstring> LogPathArgument(const std::vector<std::wstring>& argv);

// Whether one of the arguments is `name` (any case).
bool HasSwitch(const std::vector<std::wstring>& argv, const std::wstring& name);
