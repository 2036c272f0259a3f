#include "record_text.h"

#include "tests/tools/unsigned_text.h"

std::wstring RecordText(const RecordFacts& facts) {
    std::wstring text = L"cmdline=" + facts.commandLine + L"\n";
    text += L"argc=" + std::to_wstring(facts.argv.size()) + L"\n";
    for (std::size_t i = 0; i < facts.argv.size(); ++i)
        text += L"argv[" + std::to_wstring(i) + L"]=" + facts.argv[i] + L"\n";
    text += L"cwd=" + facts.currentFolder + L"\n";
    text += L"exe=" + facts.executable + L"\n";
    for (const std::wstring& line : facts.fileLines)
        text += line + L"\n";
    text += L"exit=" + Hex32(facts.exitCode) + L"\n";
    return text;
}
