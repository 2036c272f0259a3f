#pragma once
// Reads the installer's command line into its settings, opens the log when one is named
// and composes the wizard's argument string.
#include "common/result_codes.h"

#include <string>
#include <vector>

struct CommandLineSettings {
    bool silent = false;
    bool zeroGuid = false;
    bool removeFolder = true;
    bool runWizard = true;
    std::wstring tempFolder;
    std::wstring childParams;
};

// What the processing asks of the system.
class CommandLineHost {
public:
    virtual ~CommandLineHost() = default;
    virtual bool IsAdminInstall() const = 0;
    // Empty when the variable is not set.
    virtual std::wstring SystemDrive() const = 0;
    // The user's temporary folder with its trailing backslash; empty when it cannot be had.
    virtual std::wstring TempPath() const = 0;
    // The absolute form of a path; false when the system cannot make one.
    virtual bool FullPath(const std::wstring& value, std::wstring& full) const = 0;
};

// args: the parameters after the program name. Returns 0 or result::kBadCommandLine;
// every step runs whatever the result.
ResultCode ApplyCommandLine(const std::vector<std::wstring>& args, const std::wstring& programName,
                            const CommandLineHost& host, CommandLineSettings& settings);
