#include "command_line_info_ex.h"

namespace {

// Quotes a value so that the wizard's argument splitting gives back exactly the value:
// backslashes before a double quote or before the closing quote are doubled and a double
// quote is escaped. A value without quotes or trailing backslashes goes out unchanged.
std::wstring QuoteValue(const std::wstring& value) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : value) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

// A word goes to the wizard as it came unless it holds a quote: bare, the quote would open a
// quoted stretch in the wizard's splitting and swallow every argument after it, the
// program-name token too.
std::wstring BareUnlessQuoted(const std::wstring& word) {
    return word.find(L'"') == std::wstring::npos ? word : QuoteValue(word);
}

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
            params += BareUnlessQuoted(L"/" + name) + L" ";
        } else if (!value.empty()) {
            params += BareUnlessQuoted(L"/" + name) + L" " + QuoteValue(value) + L" ";
        } else {
            params += BareUnlessQuoted(name) + L" ";
        }
    }
    // The name comes from the signature; quoted like a value, it reaches the wizard whole.
    params += L"BW_I=" + QuoteValue(programName) + L" ";
}
