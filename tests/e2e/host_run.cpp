#include "host_run.h"

#include "wine_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string PackArchitecture() {
    return Testing64BitBuild() ? "x64" : "x86";
}

HostRun RunHost(const std::vector<std::string>& argv, const std::string& scratch) {
    std::string command;
    for (const auto& a : argv)
        command += ShellQuote(a) + " ";
    command += ">" + ShellQuote(scratch + ".out") + " 2>" + ShellQuote(scratch + ".err");
    int status = std::system(command.c_str());
    HostRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(scratch + ".out").value_or("");
    run.err = ReadFile(scratch + ".err").value_or("");
    std::filesystem::remove(scratch + ".out");
    std::filesystem::remove(scratch + ".err");
    return run;
}

int StartHost(const std::vector<std::string>& argv) {
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (auto& word : words)
        args.push_back(word.data());
    args.push_back(nullptr);
    pid_t child = 0;
    return posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) == 0 ? child : -1;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
