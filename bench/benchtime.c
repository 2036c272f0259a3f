/* Runs each command line in turn, ROUNDS times over, inside Wine, and prints one line per
 * run: "<label> <round> <milliseconds> <exit code>", the time from just before
 * CreateProcessW to the moment the process has ended. Timing from inside Wine leaves out
 * the Linux-side start of the wine loader, which would otherwise dominate the floor.
 * A command whose label ends in "-1cpu" runs on the first processor alone, as on a machine
 * with one core.
 *   benchtime.exe ROUNDS PAUSE_MS LABEL COMMAND [LABEL COMMAND]...
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static int EndsWith(const wchar_t* text, const wchar_t* end) {
    size_t length = wcslen(text), endLength = wcslen(end);
    return length >= endLength && wcscmp(text + length - endLength, end) == 0;
}

static int RunOnce(const wchar_t* command, int oneCpu, double* ms, DWORD* code) {
    size_t length = wcslen(command) + 1;
    wchar_t* writable = malloc(length * sizeof(wchar_t));
    STARTUPINFOW startup = {0};
    PROCESS_INFORMATION process = {0};
    LARGE_INTEGER frequency, start, end;
    if (writable == NULL)
        return 0;
    memcpy(writable, command, length * sizeof(wchar_t));
    startup.cb = sizeof startup;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(NULL, writable, NULL, NULL, FALSE, oneCpu ? CREATE_SUSPENDED : 0, NULL,
                        NULL, &startup, &process)) {
        free(writable);
        return 0;
    }
    if (oneCpu) {
        SetProcessAffinityMask(process.hProcess, 1);
        ResumeThread(process.hThread);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    GetExitCodeProcess(process.hProcess, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    free(writable);
    *ms = (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 5 || (argc - 3) % 2 != 0) {
        fwprintf(stderr, L"usage: benchtime ROUNDS PAUSE_MS LABEL COMMAND [LABEL COMMAND]...\n");
        return 2;
    }
    int rounds = _wtoi(argv[1]);
    DWORD pause = (DWORD)_wtoi(argv[2]);
    for (int round = 1; round <= rounds; ++round) {
        for (int i = 3; i + 1 < argc; i += 2) {
            double ms = 0;
            DWORD code = 0;
            /* A process started right after another has ended starts slower under Wine. */
            Sleep(pause);
            if (!RunOnce(argv[i + 1], EndsWith(argv[i], L"-1cpu"), &ms, &code)) {
                wprintf(L"%ls %d failed-to-start %lu\n", argv[i], round, GetLastError());
                fflush(stdout);
                return 1;
            }
            wprintf(L"%ls %d %.1f %lu\n", argv[i], round, ms, code);
            fflush(stdout);
        }
    }
    return 0;
}
