// The installer's argument grammar and the wizard's argument string: whatever the arguments,
// splitting the composed string the way the wizard's runtime does gives back every option's
// name and value, provided the names themselves hold no blank or quote (those go out bare).
#include "cmdline/command_line_info_ex.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/split_arguments.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

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
