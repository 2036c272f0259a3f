#pragma once
// Chooses the one message a failed run ends with, from the result code and what the run
// found out on the way.
#include "common/result_codes.h"

#include <cstdint>
#include <functional>
#include <string>

struct FailureFacts {
    ResultCode result = 0;
    std::uint32_t exitCode = 0; // the wizard's exit code
    std::wstring commandLine;   // the command line after the program name
    std::wstring tempDrive;     // drive whose free space was measured
    std::int64_t requiredDiskMB = 0;
    std::wstring requiredFramework;
    std::int32_t requiredFrameworkSP = 0;
    std::int32_t requiredFrameworkMajor = 2;
    std::wstring refusedFolder; // an existing working folder that was not used, and why
    std::wstring refusalReason;
};

struct FailureMessage {
    std::wstring text;
    std::wstring link; // download page offered beside the text; empty for none
};

// Looks a string-table entry up; empty when there is none.
using StringLookup = std::function<std::wstring(unsigned id)>;

FailureMessage ChooseFailureMessage(const FailureFacts& facts, const StringLookup& strings);

// The download page for a missing .NET Framework, by its major number and service level.
std::wstring FrameworkDownloadLink(std::int32_t major, std::int32_t servicePack);
