#include "shipping/base/process.h"

#include "shipping/base/interruption.h"
#include "shipping/base/program_search.h"
#include "shipping/base/utf8_system.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace kitbag {

// The file to start: argv[0] itself when it names a folder, else found on PATH alone.
static std::string ProgramFile(const std::vector<std::string>& argv) {
    if (argv.empty())
        return {};
    return argv[0].find_first_of("/\\") != std::string::npos ? argv[0] : FindOnPath(argv[0]);
}

#ifdef _WIN32
static std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

namespace {

// Points descriptor `target` at `source` until put back; the child started meanwhile
// inherits it.
class Redirection {
public:
    Redirection(int target, int source) : target_(target), saved_(_dup(target)) {
        active_ = _dup2(source, target) == 0;
    }
    ~Redirection() {
        if (saved_ >= 0) {
            _dup2(saved_, target_);
            _close(saved_);
        } else if (active_) {
            _close(target_);
        }
    }
    Redirection(const Redirection&) = delete;
    Redirection& operator=(const Redirection&) = delete;
    bool active() const { return active_; }

private:
    int target_;
    int saved_;
    bool active_ = false;
};

void CloseIfOpen(int& descriptor) {
    if (descriptor >= 0)
        _close(descriptor);
    descriptor = -1;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, const ProgramIo& io) {
    const std::string program = ProgramFile(argv);
    if (program.empty())
        return -1;
    // The C runtime joins the arguments with blanks and does no quoting of its own.
    const std::wstring file = WideOf(program);
    std::vector<std::wstring> quoted;
    for (const auto& a : argv)
        quoted.push_back(WideOf(QuoteArgument(a)));
    std::vector<const wchar_t*> args;
    for (const auto& a : quoted)
        args.push_back(a.c_str());
    args.push_back(nullptr);
    if (!io.input && !io.output) {
        intptr_t status = _wspawnv(_P_WAIT, file.c_str(), args.data());
        return status < 0 ? -1 : static_cast<int>(status);
    }

    // The child gets the C runtime's descriptors 0 to 2, pointed at pipes while it starts.
    // The pipes' own descriptors are not inherited, so the output's end is seen once the
    // child has ended and the tool's copies are closed. The input fits in the pipe: it is
    // written whole before the child starts.
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (io.input) {
        if (io.input->size() > kMaxProgramInput ||
            _pipe(in, 2 * kMaxProgramInput, _O_BINARY | _O_NOINHERIT) != 0)
            return -1;
        const bool written =
            _write(in[1], io.input->data(), static_cast<unsigned>(io.input->size())) ==
            static_cast<int>(io.input->size());
        CloseIfOpen(in[1]);
        if (!written) {
            CloseIfOpen(in[0]);
            return -1;
        }
    }
    if (io.output && _pipe(out, 1 << 20, _O_BINARY | _O_NOINHERIT) != 0) {
        CloseIfOpen(in[0]);
        return -1;
    }
    std::fflush(nullptr);
    intptr_t child = -1;
    {
        std::optional<Redirection> input, output, errors;
        if (io.input)
            input.emplace(0, in[0]);
        if (io.output) {
            output.emplace(1, out[1]);
            errors.emplace(2, out[1]);
        }
        if ((!input || input->active()) && (!output || (output->active() && errors->active())))
            child = _wspawnv(_P_NOWAIT, file.c_str(), args.data());
    }
    CloseIfOpen(in[0]);
    CloseIfOpen(out[1]);
    bool timedOut = false, interrupted = false;
    // The process is waited for before its output is read: the pipe holds a megabyte, far
    // more than a signing tool says. It is ended when it takes too long or the run is
    // interrupted.
    if (child != -1) {
        HANDLE process = reinterpret_cast<HANDLE>(child);
        const ULONGLONG deadline =
            GetTickCount64() + static_cast<ULONGLONG>(io.timeoutSeconds) * 1000;
        while (WaitForSingleObject(process, 100) == WAIT_TIMEOUT) {
            interrupted = Interrupted();
            timedOut = !interrupted && io.timeoutSeconds > 0 && GetTickCount64() >= deadline;
            if (interrupted || timedOut) {
                TerminateProcess(process, 1);
                break;
            }
        }
    }
    int status = 0;
    const bool waited = child != -1 && _cwait(&status, child, _WAIT_CHILD) != -1;
    if (io.output) {
        char buffer[4096];
        for (int got; child != -1 && (got = _read(out[0], buffer, sizeof buffer)) > 0;)
            io.output->append(buffer, static_cast<std::size_t>(got));
    }
    CloseIfOpen(out[0]);
    if (interrupted)
        return kProgramInterrupted;
    if (timedOut)
        return kProgramTimedOut;
    return waited ? status : -1;
}
#else
namespace {

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() { Close(); }
    void Close() {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
};

// The spawn's file actions and attributes, destroyed at the end.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, const ProgramIo& io) {
    const std::string program = ProgramFile(argv);
    if (program.empty())
        return -1;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    SpawnSetup setup;
    // Both pipes are closed on exec; the child gets only the ends duplicated onto 0, 1 and 2.
    Descriptor inRead, inWrite, outRead, outWrite;
    if (io.input) {
        int ends[2];
        if (io.input->size() > kMaxProgramInput || pipe2(ends, O_CLOEXEC) != 0)
            return -1;
        inRead.fd = ends[0];
        inWrite.fd = ends[1];
        // A pipe holds at least a page: the input is written whole before the child starts, so
        // no write waits for it, nor fails because it has already ended.
        if (!WriteAll(inWrite.fd, *io.input))
            return -1;
        inWrite.Close();
        posix_spawn_file_actions_adddup2(&setup.actions, inRead.fd, 0);
#ifdef POSIX_SPAWN_SETSID
        // Without a controlling terminal, /dev/tty cannot be opened to ask for a password.
        posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID);
#endif
    }
    if (io.output) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return -1;
        outRead.fd = ends[0];
        outWrite.fd = ends[1];
        posix_spawn_file_actions_adddup2(&setup.actions, outWrite.fd, 1);
        posix_spawn_file_actions_adddup2(&setup.actions, outWrite.fd, 2);
    }
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &setup.actions, &setup.attributes, args.data(),
                    environ) != 0)
        return -1;
    inRead.Close();
    outWrite.Close();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(io.timeoutSeconds);
    // Milliseconds left for poll: -1 without a time limit.
    auto left = [&]() -> int {
        if (io.timeoutSeconds <= 0)
            return -1;
        auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(rest.count(), 0));
    };
    int status = 0;
    auto stop = [&](int result) {
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return result;
    };
    if (io.output) {
        char buffer[4096];
        for (;;) {
            pollfd ready = {outRead.fd, POLLIN, 0};
            // In slices, so that an interruption caught by another thread is seen too.
            const int rest = left();
            int events = poll(&ready, 1, rest < 0 ? 100 : std::min(rest, 100));
            if (Interrupted())
                return stop(kProgramInterrupted);
            if (events < 0 && errno == EINTR)
                continue;
            if (events == 0 && rest >= 0 && left() == 0)
                return stop(kProgramTimedOut);
            if (events == 0)
                continue;
            ssize_t got = events < 0 ? -1 : read(outRead.fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            io.output->append(buffer, static_cast<std::size_t>(got));
        }
    }
    for (;;) {
        pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child)
            break;
        if (Interrupted())
            return stop(kProgramInterrupted);
        if (ended < 0 && errno != EINTR)
            return -1;
        if (ended == 0) {
            if (left() == 0)
                return stop(kProgramTimedOut);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? kProgramKilled : -1;
}
#endif

} // namespace kitbag
