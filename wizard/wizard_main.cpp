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

const wchar_t kHolderSwitch[] = L"/kitbag-holder";
const wchar_t kHeldFile[] = L"holder.lock";

// The left-behind child: holds kHeldFile of its current folder open without sharing for
// holdMs, then ends.
int RunHolder(const std::wstring& holdMsText) {
    std::uint32_t holdMs = 0;
    if (!ParseUnsigned32(holdMsText, holdMs))
        return 2;
    HANDLE file = CreateFileW(kHeldFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    Sleep(holdMs);
    CloseHandle(file);
    return 0;
}

// Starts a detached copy of this program as the holder and waits until it has the file open,
// so that whoever cleans up after the wizard finds it held.
void SpawnHolder(std::uint32_t holdMs, const WizardLog& log) {
    std::wstring commandLine =
        L"\"" + ExecutablePath() + L"\" " + kHolderSwitch + L" " + std::to_wstring(holdMs);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        log.Line(L"cannot start the holder (error " + std::to_wstring(error) + L")");
        return;
    }
    for (int i = 0; i < 250 && GetFileAttributesW(kHeldFile) == INVALID_FILE_ATTRIBUTES; ++i) {
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
            break;
    }
    log.Line(L"left a holder behind, process " + std::to_wstring(process.dwProcessId));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::wstring commandLine = GetCommandLineW();
    const std::vector<std::wstring> argv = SplitCommandLine(commandLine);
    if (argv.size() == 3 && argv[1] == kHolderSwitch)
        return RunHolder(argv[2]);
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

    if (settings.spawnHolderMs)
        SpawnHolder(*settings.spawnHolderMs, log);
    log.Line(L"ending with exit code " + Hex32(settings.exitCode));
    return static_cast<int>(settings.exitCode);
}
