// fault_helper: the faults of the reliability tests, made from inside Wine.
//   hold <file> <ready> <release> <timeout-ms>
//       opens <file> (made if missing) without sharing, then writes <ready> and keeps the file
//       open until <release> exists or the time is up
//   kill <image name> <exit code> <timeout-ms>
//       waits for a process of that executable name and ends it with TerminateProcess, as a
//       task manager would; prints "killed=<pid>"
//   count <image name>...
//       prints "count=<n>": the processes running any of these executables
// Returns 0 when it did what it was asked, 1 when it could not, 2 on a bad command line.
#include "ascii_case.h"
#include "standard_stream_win.h"
#include "unsigned_text.h"
#include "wide_conversion_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 20;

void Say(const std::string& text) {
    WriteToStandardHandle(STD_OUTPUT_HANDLE, text + "\n");
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteMarker(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

int Hold(const std::wstring& path, const std::wstring& ready, const std::wstring& release,
         DWORD timeoutMs) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Say("error=" + std::to_string(GetLastError()));
        return 1;
    }
    WriteMarker(ready);
    const DWORD start = GetTickCount();
    while (!Exists(release) && GetTickCount() - start < timeoutMs)
        Sleep(kPollMs);
    CloseHandle(file);
    Say("released");
    return 0;
}

// The ids of the running processes whose executable has one of these names.
std::vector<DWORD> ProcessesNamed(const std::vector<std::wstring>& names) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        for (const std::wstring& name : names) {
            if (EqualIgnoringAsciiCase(entry.szExeFile, name))
                ids.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return ids;
}

int Kill(const std::wstring& name, std::uint32_t exitCode, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        for (DWORD id : ProcessesNamed({name})) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
            if (process == nullptr)
                continue;
            const bool ended = TerminateProcess(process, exitCode) != FALSE;
            if (ended)
                WaitForSingleObject(process, timeoutMs);
            CloseHandle(process);
            if (ended) {
                Say("killed=" + std::to_string(id));
                return 0;
            }
        }
        Sleep(kPollMs);
    } while (GetTickCount() - start < timeoutMs);
    Say("not found");
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    std::uint32_t number = 0;
    std::uint32_t timeoutMs = 0;
    if (args.size() == 5 && args[0] == L"hold" && ParseUnsigned32(args[4], timeoutMs))
        return Hold(args[1], args[2], args[3], timeoutMs);
    if (args.size() == 4 && args[0] == L"kill" && ParseUnsigned32(args[2], number) &&
        ParseUnsigned32(args[3], timeoutMs))
        return Kill(args[1], number, timeoutMs);
    if (args.size() >= 2 && args[0] == L"count") {
        Say("count=" +
            std::to_string(
                ProcessesNamed(std::vector<std::wstring>(args.begin() + 1, args.end())).size()));
        return 0;
    }
    WriteToStandardHandle(STD_ERROR_HANDLE, "fault_helper: bad command line\n");
    return 2;
}
