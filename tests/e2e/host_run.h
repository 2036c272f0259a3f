#pragma once
// Linux programs the end-to-end tests run beside Wine: the pack and tag tools, osslsigncode,
// openssl.
#include <string>
#include <vector>

struct HostRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// s as one word for sh.
std::string ShellQuote(const std::string& s);

// The --arch of the build under test: "x86" or "x64".
std::string PackArchitecture();

// Runs argv with its standard output and error caught in files named after scratch.
HostRun RunHost(const std::vector<std::string>& argv, const std::string& scratch);

// Starts argv (found on PATH) in the background, sharing the test's streams; its process id,
// or -1 when it could not be started.
int StartHost(const std::vector<std::string>& argv);

// Writes bytes to path, making its folders.
void WriteBytes(const std::string& path, const std::string& bytes);
