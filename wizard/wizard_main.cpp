// The Kitbag sample wizard: a small stand-in for the installation wizard the bootstrapper
// starts. KITBAG_WIZARD_* environment variables steer it (see wizard_settings.h).
#include "file_output_win.h"
#include "process_facts_win.h"
#include "record_text.h"
#include "wizard_arguments.h"
#include "wizard_log_win.h"
#include "wizard_settings.h"
#include "wizard_window_win.h"
#include "tests/tools/environment_value_win.h"
#include "tests/tools/unsigned_text.h"
#include "tests/tools/wide_conversion_win.h"

#include <windows.h>

namespace {

void WriteRecord(const std::wstring& path, const std::wstring& commandLine,
                 const std::vector<std::wstring>& argv, const std::wstring& currentFolder,
                 std::uint32_t exitCode, const WizardLog& log) {
    RecordFacts facts;
    facts.commandLine = commandLine;
    facts.argv = argv;
    facts.currentFolder = currentFolder;
    facts.executable = ExecutablePath();
    facts.fileLines = FolderListingLines(EntriesOfFolder(FolderOf(facts.executable)));
    facts.exitCode = exitCode;
    if (!WriteNewFile(path, WideToUtf8(RecordText(facts)))) {
        const DWORD error = GetLastError();
        log.Line(L"cannot write the record '" + path + L"' (error " + std::to_wstring(error) +
                 L")");
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::wstring commandLine = GetCommandLineW();
    const std::vector<std::wstring> argv = SplitCommandLine(commandLine);
    const WizardSettings settings =
        ReadWizardSettings(EnvironmentValue, HasSwitch(argv, L"/IAgreeToTheEULA"));
    const WizardLog log(LogPathArgument(argv));
    const std::wstring currentFolder = CurrentFolder();

    log.Line(L"started in '" + currentFolder + L"'");
    for (const std::wstring& problem : settings.problems)
        log.Line(problem);
    if (settings.recordPath)
        WriteRecord(*settings.recordPath, commandLine, argv, currentFolder, settings.exitCode, log);

    if (settings.delayMs > 0)
        Sleep(settings.delayMs);
    if (settings.window != WindowMode::None && !RunWizardWindow(instance, settings)) {
        const DWORD error = GetLastError();
        log.Line(L"cannot create the window (error " + std::to_wstring(error) + L")");
    }

    log.Line(L"ending with exit code " + Hex32(settings.exitCode));
    return static_cast<int>(settings.exitCode);
}
