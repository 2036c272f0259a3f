#pragma once
// Runs the Windows build's programs under Wine and reads what they leave behind.
#include <cstdint>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct WineRun {
    bool finished = false;      // the program ran and ended by itself
    std::uint32_t exitCode = 0; // its full 32-bit exit code
    std::string output;         // what the helper wrote to standard output
};

using Environment = std::map<std::string, std::string>;

// The Windows build's folder, and a file in it.
std::string BuildPath(const std::string& name);
// The Windows form of a Linux path (drive Z: is the Linux root).
std::string WinPath(const std::string& unixPath);
// A fresh, empty folder for one test.
std::string FreshFolder(const std::string& name);

// Starts `"<build>\<exe>" <args>` in folder cwd through a helper that reports the full
// exit code; gives up (finished false) after timeoutMs.
WineRun RunInstaller(const std::string& exe, const std::string& args, const std::string& cwd,
                     const Environment& env = {}, int timeoutMs = 60000);
// The same, started in the background.
std::future<WineRun> StartInstaller(const std::string& exe, const std::string& args,
                                    const std::string& cwd, const Environment& env = {},
                                    int timeoutMs = 60000);
// Types into the visible X window with this exact title (xdotool key names, e.g. "Return").
bool SendKeys(const std::string& title, const std::vector<std::string>& keys);
// Types text into the visible X window with this exact title.
bool TypeText(const std::string& title, const std::string& text);
// Runs the repository's tools/wine-prefix.sh for another prefix (extra environment, e.g.
// WINEARCH=win32), so that prefix is made once and set up like the tests' own.
bool PreparePrefix(const std::string& prefix, const Environment& env);

// Runs a console program of the build and returns what it printed.
std::string RunTool(const std::string& exe, const std::string& args);
// Runs `wine <argv...>` in the tests' prefix (for example `reg add ...`) and returns what it
// printed. The Wine tests run one at a time, so a test may change the prefix's registry if
// it puts it back.
std::string RunWine(const std::vector<std::string>& argv);

// Takes a picture of the whole display into the build tree's screenshots folder, kept as a
// test artefact; returns the file.
std::string Screenshot(const std::string& name);

// What resinfo.exe reads from an executable's resources: "string[1]" -> "Kitbag" and so on.
std::map<std::string, std::string> ResourceFacts(const std::string& exePath);

std::optional<std::string> ReadFile(const std::string& path);
bool FileExists(const std::string& path);
