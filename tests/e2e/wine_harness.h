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

// Which Windows build the tests run: KITBAG_E2E_BUILD=x64 names the 64-bit one; x86 (the
// default) the 32-bit one, x86-files the 32-bit one's files where it cannot run, and
// x86-emulated the 32-bit one under qemu-i386 emulation.
bool Testing64BitBuild();
// Skips a test that means something only for a 32-bit installer, saying why.
#define KITBAG_SKIP_UNLESS_32BIT_BUILD(why)                                                        \
    do {                                                                                           \
        if (Testing64BitBuild())                                                                   \
            GTEST_SKIP() << "only for the 32-bit installer: " << why;                              \
    } while (false)

// The folder of the Windows build under test, and a file in it.
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
// Makes (once) and returns the prefix that stands for 32-bit Windows, beside the tests' own.
std::optional<std::string> Win32Prefix();
// Makes (once) and returns a 64-bit prefix in which 32-bit programs run under qemu-i386
// emulation (tools/wow64-prefix.sh), beside the tests' own; make demo EMULATE=1 runs in it
// too. Needs the emulation enabled.
std::optional<std::string> Wow64Prefix();

// Runs a console program of the build and returns what it printed.
std::string RunTool(const std::string& exe, const std::string& args);
// Runs `wine <argv...>` in the tests' prefix (for example `reg add ...`) and returns what it
// printed. The Wine tests run one at a time, so a test may change the prefix's registry if
// it puts it back.
std::string RunWine(const std::vector<std::string>& argv);
// The same in folder cwd, returning the exit status that reached Linux (only the low byte of
// a Windows exit code), or -1 when it could not be started.
int RunWineStatus(const std::vector<std::string>& argv, const std::string& cwd);
// A console program of Windows run under Wine in folder cwd, with a UTF-8 locale (so that its
// arguments reach it as the Unicode text they are): its exit status (the low byte of its
// exit code), and what it wrote to standard output and error.
struct WineToolRun {
    int status = -1;
    std::string out, err;
};
WineToolRun RunWineTool(const std::vector<std::string>& argv, const std::string& cwd);
// Gives the tests' prefix its .NET Framework keys back after a test took them away.
bool RestorePrefix();
// The registry view a program of the build under test reads: "/reg:32" or "/reg:64".
std::string RegistryView();

// Takes a picture of the whole display into the build tree's screenshots folder, kept as a
// test artefact; returns the file.
std::string Screenshot(const std::string& name);

// What resinfo.exe reads from an executable's resources: "string[1]" -> "Kitbag" and so on.
std::map<std::string, std::string> ResourceFacts(const std::string& exePath);

std::optional<std::string> ReadFile(const std::string& path);
bool FileExists(const std::string& path);
