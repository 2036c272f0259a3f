#pragma once
// How the wizard's C runtime splits its command line into arguments.
#include <string>
#include <vector>

// The C runtime's reading of a command line (without the program name): blanks and tabs
// separate; 2n backslashes before a quote give n and the quote toggles quoting; 2n+1
// give n and a literal quote; other backslashes are literal.
inline std::vector<std::wstring> SplitArguments(const std::wstring& line) {
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
