#include "wizard_arguments.h"

#include "tests/tools/ascii_case.h"

std::optional<std::wstring> LogPathArgument(const std::vector<std::wstring>& argv) {
    for (std::size_t i = 1; i + 1 < argv.size(); ++i) {
        if (EqualIgnoringAsciiCase(argv[i], L"/log"))
            return argv[i + 1];
    }
    return std::nullopt;
}

bool HasSwitch(const std::vector<std::wstring>& argv, const std::wstring& name) {
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (EqualIgnoringAsciiCase(argv[i], name))
            return true;
    }
    return false;
}
