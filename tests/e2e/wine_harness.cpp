#include "wine_harness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string BuildName() {
    const char* build = std::getenv("KITBAG_E2E_BUILD");
    return build != nullptr ? build : "x86";
}

bool Emulated() {
    return BuildName() == "x86-emulated";
}

Environment WineEnvironment() {
    Environment env = {{"WINEPREFIX", KITBAG_WINE_PREFIX},
                       {"WINEDEBUG", "-all"},
                       {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                       // What tools/runs-32bit.sh said when the tests were configured.
                       {"KITBAG_32BIT", KITBAG_HOST_RUNS_32BIT}};
    return env;
}

// The one way the tests start Wine: the project's launcher picks the loader this machine
// can run.
std::vector<std::string> WineCommand(const std::vector<std::string>& argv) {
    std::vector<std::string> all = {std::string(KITBAG_SOURCE_DIR) + "/tools/wine.sh"};
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

struct Spawned {
    int status = -1; // the exit status, or -1 when it could not be started or was killed
    int signal = 0;  // the signal that ended it
    std::string output;
    std::string errors; // its standard error
};

std::string ReadAll(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Runs argv with the current environment plus extra, in cwd.
Spawned SpawnWithStatus(const std::vector<std::string>& argv, const Environment& extra,
                        const std::string& cwd) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        auto eq = entry.find('=');
        if (eq != std::string::npos)
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [k, v] : extra)
        env[k] = v;
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : env)
        envStrings.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& s : args)
        argp.push_back(s.data());
    argp.push_back(nullptr);

    // Output goes to a file rather than a pipe: a wineserver that this call happens to start
    // inherits the descriptor and would hold a pipe open long after the program has ended.
    char outPath[] = "/tmp/kitbag-e2e-XXXXXX";
    char errPath[] = "/tmp/kitbag-e2e-XXXXXX";
    int out = mkostemp(outPath, O_CLOEXEC);
    int err = mkostemp(errPath, O_CLOEXEC);
    if (out < 0 || err < 0) {
        if (out >= 0)
            close(out), unlink(outPath);
        if (err >= 0)
            close(err), unlink(errPath);
        return {};
    }
    unlink(outPath);
    unlink(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Spawned result;
    if (rc == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        result.output = ReadAll(out);
        result.errors = ReadAll(err);
    }
    close(out);
    close(err);
    // What it said on standard error stays where it went before: the test's own output.
    std::fputs(result.errors.c_str(), stderr);
    return result;
}

std::string Spawn(const std::vector<std::string>& argv, const Environment& extra,
                  const std::string& cwd) {
    return SpawnWithStatus(argv, extra, cwd).output;
}

// A Windows program under Wine. When Wine's own client, not the program, reports that its
// connection to the wineserver broke ("wine client error:0: recvmsg: Connection reset by
// peer", seen once in a whole run: the server was ending as the program began), the program
// is started once more, and its standard error says so.
Spawned SpawnWine(const std::vector<std::string>& argv, const Environment& env,
                  const std::string& cwd) {
    Spawned run = SpawnWithStatus(WineCommand(argv), env, cwd);
    if (run.errors.find("wine client error:") == std::string::npos)
        return run;
    Spawned again = SpawnWithStatus(WineCommand(argv), env, cwd);
    again.errors =
        "[Wine lost its server (" + run.errors + "); started once more]\n" + again.errors;
    return again;
}

} // namespace

bool Testing64BitBuild() {
    return BuildName() == "x64";
}

std::string BuildPath(const std::string& name) {
    return std::string(Testing64BitBuild() ? KITBAG_WINDOWS64_BUILD_DIR
                                           : KITBAG_WINDOWS_BUILD_DIR) +
           "/" + name;
}

std::string WinPath(const std::string& unixPath) {
    std::string path = "Z:" + std::filesystem::absolute(unixPath).lexically_normal().string();
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

std::string FreshFolder(const std::string& name) {
    std::string path = std::string(KITBAG_E2E_TMP) + "/" + name;
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

WineRun RunInstaller(const std::string& exe, const std::string& args, const std::string& cwd,
                     const Environment& env, int timeoutMs) {
    Environment all = WineEnvironment();
    for (const auto& [k, v] : env)
        all[k] = v;
    all["RUNEXIT_CMDLINE"] = "\"" + WinPath(BuildPath(exe)) + "\" " + args;
    all["RUNEXIT_TIMEOUT_MS"] = std::to_string(timeoutMs);
    // Under emulation the 64-bit runner starts the 32-bit installer: one emulated process less.
    const std::string runner = Emulated() ? std::string(KITBAG_WINDOWS64_BUILD_DIR) + "/runexit.exe"
                                          : BuildPath("runexit.exe");
    WineRun run;
    const Spawned spawned = SpawnWine({runner}, all, cwd);
    run.output = spawned.output;
    auto at = run.output.find("exit=0x");
    if (at != std::string::npos) {
        run.finished = true;
        run.exitCode =
            static_cast<std::uint32_t>(std::strtoul(run.output.c_str() + at + 7, nullptr, 16));
    } else {
        // A run that ends without a word: how the runner's launch ended, and what it said.
        run.output += "\n[runexit gave no exit code; tools/wine.sh ended " +
                      (spawned.signal != 0 ? "by signal " + std::to_string(spawned.signal)
                                           : "with status " + std::to_string(spawned.status)) +
                      "; its standard error: " +
                      (spawned.errors.empty() ? std::string("nothing") : spawned.errors) + "]";
    }
    return run;
}

std::future<WineRun> StartInstaller(const std::string& exe, const std::string& args,
                                    const std::string& cwd, const Environment& env, int timeoutMs) {
    return std::async(std::launch::async, RunInstaller, exe, args, cwd, env, timeoutMs);
}

namespace {

std::string XWindowWithTitle(const std::string& title) {
    std::string ids =
        Spawn({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, {}, ".");
    return ids.substr(0, ids.find('\n'));
}

} // namespace

bool SendKeys(const std::string& title, const std::vector<std::string>& keys) {
    std::string id = XWindowWithTitle(title);
    if (id.empty())
        return false;
    std::vector<std::string> argv = {"xdotool", "windowfocus", "--sync", id,
                                     "key",     "--delay",     "50"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    Spawn(argv, {}, ".");
    return true;
}

bool TypeText(const std::string& title, const std::string& text) {
    std::string id = XWindowWithTitle(title);
    if (id.empty())
        return false;
    Spawn({"xdotool", "windowfocus", "--sync", id, "type", "--delay", "20", text}, {}, ".");
    return true;
}

bool PreparePrefix(const std::string& prefix, const Environment& env) {
    Environment all = WineEnvironment();
    for (const auto& [k, v] : env)
        all[k] = v;
    Spawned made = SpawnWithStatus(
        {std::string(KITBAG_SOURCE_DIR) + "/tools/wine-prefix.sh", prefix}, all, ".");
    return made.status == 0 && std::filesystem::exists(prefix + "/system.reg");
}

std::string RunTool(const std::string& exe, const std::string& args) {
    std::vector<std::string> argv = {BuildPath(exe)};
    std::istringstream words(args);
    for (std::string w; words >> w;)
        argv.push_back(w);
    return RunWine(argv);
}

std::string RunWine(const std::vector<std::string>& argv) {
    return SpawnWine(argv, WineEnvironment(), std::filesystem::current_path()).output;
}

int RunWineStatus(const std::vector<std::string>& argv, const std::string& cwd) {
    return SpawnWine(argv, WineEnvironment(), cwd).status;
}

WineToolRun RunWineTool(const std::vector<std::string>& argv, const std::string& cwd) {
    Environment env = WineEnvironment();
    env["LC_ALL"] = "C.UTF-8";
    Spawned run = SpawnWine(argv, env, cwd);
    return {run.status, run.output, run.errors};
}

std::optional<std::string> Win32Prefix() {
    const std::string prefix = std::string(KITBAG_WINE_PREFIX) + "-win32";
    if (!PreparePrefix(prefix, {{"WINEARCH", "win32"}}))
        return std::nullopt;
    return prefix;
}

std::optional<std::string> Wow64Prefix() {
    const std::string prefix = std::string(KITBAG_WINE_PREFIX) + "-wow64";
    Spawned made =
        SpawnWithStatus({std::string(KITBAG_SOURCE_DIR) + "/tools/wow64-prefix.sh", prefix},
                        WineEnvironment(), ".");
    if (made.status != 0)
        return std::nullopt;
    return prefix;
}

bool RestorePrefix() {
    return PreparePrefix(KITBAG_WINE_PREFIX, {});
}

std::string RegistryView() {
    return Testing64BitBuild() ? "/reg:64" : "/reg:32";
}

std::string Screenshot(const std::string& name) {
    std::string dir = std::string(KITBAG_E2E_TMP) + "/screenshots";
    std::filesystem::create_directories(dir);
    std::string file = dir + "/" + name + ".png";
    Spawn({"import", "-window", "root", file}, {}, ".");
    return file;
}

std::map<std::string, std::string> ResourceFacts(const std::string& exePath) {
    std::map<std::string, std::string> facts;
    std::istringstream lines(RunTool("resinfo.exe", WinPath(exePath)));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto eq = line.find('=');
        if (eq != std::string::npos)
            facts[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return facts;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}
