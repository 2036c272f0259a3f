#pragma once
// Collects every parameter of the installer's command line in an option table, and
// composes from that table the argument string handed to the wizard.
#include "framework/command_line_info.h"
#include "framework/string_map.h"

#include <set>
#include <string>

class CCommandLineInfoEx : public CCommandLineInfo {
public:
    void ParseParam(const std::wstring& param, bool isSwitch, bool isLast) override;

    bool GetOption(const std::wstring& name, std::wstring& value) const;
    void SetOption(const std::wstring& name, const std::wstring& value);
    void RemoveOption(const std::wstring& name);
    bool IsOptionTrue(const std::wstring& name) const;
    bool IsSwitchTrue(const std::wstring& name) const;

    void BuildChildCommandLine(const std::wstring& programName, std::wstring& params) const;

private:
    CMapStringToString m_options;      // name -> "TRUE" (switch), value, or "" (plain word)
    std::set<std::wstring> m_switches; // names given with a switch prefix
    std::wstring m_strPendingName;     // value-taking word waiting for its value
};
