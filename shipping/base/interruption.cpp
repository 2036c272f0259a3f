#include "shipping/base/interruption.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kitbag {

namespace {

volatile std::sig_atomic_t g_signal = 0;

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (g_signal != 0)
        return FALSE; // the second time: the default, which ends the process
    g_signal = static_cast<std::sig_atomic_t>(event) + 1;
    // The process ends when this returns from a closing console; give the run the time to
    // clean up that Windows allows (5 seconds).
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(4000);
    return TRUE;
}
#else
void OnSignal(int signal) {
    g_signal = signal;
    // The second one ends the tool as it would have without this handler.
    std::signal(signal, SIG_DFL);
}
#endif

} // namespace

void CatchInterruptions() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    // Without SA_RESTART: a wait for another program returns, so that the run sees it.
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

bool Interrupted() {
    return g_signal != 0;
}

void EndAsInterrupted() {
#ifdef _WIN32
    ExitProcess(0xC000013A); // STATUS_CONTROL_C_EXIT
#else
    const int signal = g_signal != 0 ? static_cast<int>(g_signal) : SIGINT;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal);
#endif
}

} // namespace kitbag
