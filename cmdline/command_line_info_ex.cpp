#include "command_line_info_ex.h"

namespace {

bool TakesValue(const std::wstring& word) {
    return EqualsNoCase(word, L"temp") || EqualsNoCase(word, L"extract") ||
           EqualsNoCase(word, L"log");
}

} // namespace

void CCommandLineInfoEx::ParseParam(const std::wstring& param, bool isSwitch, bool isLast) {
    if (isSwitch) {
        m_options.SetAt(param, L"TRUE");
        m_switches.insert(param);
        m_strPendingName.clear();
    } else if (TakesValue(param) && !isLast) {
        m_strPendingName = param;
    } else {
        if (!m_strPendingName.empty())
            m_options.SetAt(m_strPendingName, param);
        else
            m_options.SetAt(param, L"");
        m_strPendingName.clear();
    }
}

bool CCommandLineInfoEx::GetOption(const std::wstring& name, std::wstring& value) const {
    if (m_options.Lookup(name, value))
        return true;
    value.clear();
    return false;
}

void CCommandLineInfoEx::SetOption(const std::wstring& name, const std::wstring& value) {
    m_options.SetAt(name, value);
}

void CCommandLineInfoEx::RemoveOption(const std::wstring& name) {
    m_options.RemoveKey(name);
}

bool CCommandLineInfoEx::IsOptionTrue(const std::wstring& name) const {
    std::wstring value;
    return m_options.Lookup(name, value) && EqualsNoCase(value, L"TRUE");
}

bool CCommandLineInfoEx::IsSwitchTrue(const std::wstring& name) const {
    return m_switches.count(name) != 0 && IsOptionTrue(name);
}

void CCommandLineInfoEx::BuildChildCommandLine(const std::wstring& programName,
                                               std::wstring& params) const {
    params.clear();
    for (const auto& [name, value] : m_options.Entries()) {
        if (EqualsNoCase(value, L"TRUE")) {
            params += L"/" + name + L" ";
        } else if (!value.empty()) {
            std::wstring quoted = value;
            // A trailing backslash would escape the closing quote in the wizard's splitting.
            if (quoted.size() >= 2 && quoted.back() == L'\\')
                quoted += L'\\';
            params += L"/" + name + L" \"" + quoted + L"\" ";
        } else {
            params += name + L" ";
        }
    }
    params += L"BW_I=\"" + programName + L"\" ";
}
