// The installer's argument grammar and the wizard's argument string: whatever the arguments,
// splitting the composed string the way the wizard's runtime does gives back every option's
// name and value, provided the names themselves hold no blank or quote (those go out bare).
#include "cmdline/command_line_info_ex.h"
#include "fuzz/fuzz_input.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// The C runtime's reading of a command line (without the program name): blanks and tabs
// separate; 2n backslashes before a quote give n and the quote toggles quoting; 2n+1
// give n and a literal quote; other backslashes are literal.
std::vector<std::wstring> SplitArguments(const std::wstring& line) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i == line.size())
            return args;
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    arg += L'"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, L'\\');
                if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t')))
                    arg += line[i++];
            }
        }
        args.push_back(arg);
    }
}

bool IsBareSafe(const std::wstring& text) {
    return text.find_first_of(L" \t\"") == std::wstring::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::wstring programName = ConsumeWords(in, 24, L"Kitbag Roza.\\\"");
    std::vector<std::wstring> args(in.ConsumeIntegralInRange<std::size_t>(0, 12));
    for (auto& arg : args)
        arg = in.ConsumeBool() ? ConsumeWords(in, 40, L"-/tempTEMPextractlogLOG?\\\" \tC:a.b")
                               : ConsumeUtf16(in, 40);

    CCommandLineInfoEx info;
    ParseCommandLine(args, info);
    std::wstring params;
    info.BuildChildCommandLine(programName, params);
    std::wstring again;
    info.BuildChildCommandLine(programName, again);
    KITBAG_FUZZ_CHECK(params == again);
    KITBAG_FUZZ_CHECK(params.size() >= 8 && params.back() == L' ');

    // Every name the table may hold; lookups decide which it does.
    std::set<std::wstring> names;
    for (const auto& arg : args) {
        names.insert(arg);
        if (!arg.empty())
            names.insert(arg.substr(1));
    }
    std::vector<std::wstring> expected;
    bool safe = programName.find(L'"') == std::wstring::npos &&
                (programName.empty() || programName.back() != L'\\');
    for (const auto& name : names) {
        std::wstring value;
        if (!info.GetOption(name, value))
            continue;
        safe = safe && IsBareSafe(name);
        if (value.size() == 4 && info.IsOptionTrue(name)) {
            expected.push_back(L"/" + name);
        } else if (!value.empty()) {
            expected.push_back(L"/" + name);
            expected.push_back(value);
        } else if (!name.empty()) {
            expected.push_back(name);
        }
    }
    if (!safe)
        return 0;
    expected.push_back(L"BW_I=" + programName);
    std::vector<std::wstring> split = SplitArguments(params);
    std::sort(expected.begin(), expected.end());
    std::sort(split.begin(), split.end());
    KITBAG_FUZZ_CHECK(split == expected);
    return 0;
}
