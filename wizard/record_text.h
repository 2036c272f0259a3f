#pragma once
// The record a test asks for with KITBAG_WIZARD_RECORD: what the wizard was started with.
#include <cstdint>
#include <string>
#include <vector>

struct RecordFacts {
    std::wstring commandLine;       // as GetCommandLineW gives it
    std::vector<std::wstring> argv; // as CommandLineToArgvW splits it
    std::wstring currentFolder;
    std::wstring executable;
    std::vector<std::wstring> fileLines; // from FolderListingLines
    std::uint32_t exitCode = 0;
};

// cmdline=, argc=, argv[i]=, cwd=, exe=, file= lines and exit=0x%08X, each ending in "\n".
// Values are written as they are, so a test can compare them byte for byte.
std::wstring RecordText(const RecordFacts& facts);
