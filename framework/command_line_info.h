#pragma once
// The framework's command-line walk: each parameter after the program name goes to
// ParseParam, a leading '-' or '/' marking (and stripped from) a switch.
#include <string>
#include <vector>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    virtual void ParseParam(const std::wstring& param, bool isSwitch, bool isLast) = 0;
};

// args are the parameters after the program name, already split by the runtime's rules.
void ParseCommandLine(const std::vector<std::wstring>& args, CCommandLineInfo& info);

// ASCII case-insensitive comparison, as the runtime's no-case compare does in the C locale.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
