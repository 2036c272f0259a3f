#include "command_line_info.h"

void ParseCommandLine(const std::vector<std::wstring>& args, CCommandLineInfo& info) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        bool isLast = i + 1 == args.size();
        if (!arg.empty() && (arg[0] == L'-' || arg[0] == L'/'))
            info.ParseParam(arg.substr(1), true, isLast);
        else
            info.ParseParam(arg, false, isLast);
    }
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](wchar_t c) {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}
