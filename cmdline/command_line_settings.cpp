#include "command_line_settings.h"

#include "command_line_info_ex.h"
#include "log/log.h"

namespace {

// Replaces a value-taking word's value by its full path. A value the system cannot make
// absolute is refused rather than passed on half-made.
bool MakeFullPath(const CommandLineHost& host, const std::wstring& value, std::wstring& full) {
    if (host.FullPath(value, full))
        return true;
    LogFormat(L"Cannot make a full path of '%s'\n", value);
    return false;
}

} // namespace

ResultCode ApplyCommandLine(const std::vector<std::wstring>& args, const std::wstring& programName,
                            const CommandLineHost& host, CommandLineSettings& settings) {
    CCommandLineInfoEx info;
    ParseCommandLine(args, info);
    ResultCode result = result::kSuccess;

    settings = CommandLineSettings();
    settings.tempFolder = L"C:\\";
    if (host.IsAdminInstall()) {
        std::wstring drive = host.SystemDrive();
        if (!drive.empty())
            settings.tempFolder = drive;
    } else {
        settings.tempFolder = host.TempPath();
    }

    if (info.IsOptionTrue(L"IAgreeToTheEULA"))
        settings.silent = true;
    if (info.IsOptionTrue(L"dontrun")) {
        settings.runWizard = false;
        info.RemoveOption(L"dontrun");
    }
    if (info.IsOptionTrue(L"zeroguid")) {
        settings.zeroGuid = true;
        info.RemoveOption(L"zeroguid");
    }
    if (info.IsOptionTrue(L"keep")) {
        settings.removeFolder = false;
        info.RemoveOption(L"keep");
    }

    std::wstring value;
    std::wstring full;
    if (info.IsSwitchTrue(L"extract")) {
        result = result::kBadCommandLine;
    } else if (info.GetOption(L"extract", value)) {
        if (MakeFullPath(host, value, full))
            info.SetOption(L"extract", full);
        else
            result = result::kBadCommandLine;
    }

    if (info.IsSwitchTrue(L"log")) {
        result = result::kBadCommandLine;
    } else if (info.GetOption(L"log", value)) {
        if (MakeFullPath(host, value, full)) {
            info.SetOption(L"log", full);
            // A name the code page cannot hold exactly would name another file: leave the
            // log unopened instead, as for any name that cannot be opened.
            std::string ansi;
            if (TheLog().CodePage().FromWideExact(full, ansi))
                OpenLog(ansi);
        } else {
            result = result::kBadCommandLine;
        }
    }

    if (info.IsSwitchTrue(L"temp")) {
        result = result::kBadCommandLine;
    } else if (info.GetOption(L"temp", value)) {
        if (MakeFullPath(host, value, full))
            settings.tempFolder = full;
        else
            result = result::kBadCommandLine;
    }

    info.BuildChildCommandLine(programName, settings.childParams);

    if (info.IsSwitchTrue(L"?")) {
        result = result::kBadCommandLine;
        LogText(L"Ask for help\n");
    }
    if (info.GetOption(L"?", value)) {
        result = result::kBadCommandLine;
        LogText(L"Ask for help\n");
    }

    LogFormat(L"Command line params %s\n", settings.childParams);
    LogFormat(L"Temp folder '%s'\n", settings.tempFolder);
    return result;
}
