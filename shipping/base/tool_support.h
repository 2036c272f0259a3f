#pragma once
// What the two command-line tools share: files read whole and written through a temporary
// name, text conversion, running another program.
#include "shipping/base/bytes.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kitbag {

// False, naming the path, when it is a folder: a file to read must not be one.
bool CheckInputFile(const std::string& path, std::string& error);
bool ReadWholeFile(const std::string& path, Bytes& data, std::string& error);
// A name beside path that no file has: path and a random suffix.
std::string UnusedNameBeside(const std::string& path);
// Writes data next to path under an unused name; the caller renames it or removes it.
bool WriteTemporary(const std::string& path, const Bytes& data, std::string& temporary,
                    std::string& error);
// The same with what write puts into the (seekable) stream; when write fails, or the stream
// does, the file is removed.
using StreamWriter = std::function<bool(std::ostream& out, std::string& error)>;
bool WriteTemporary(const std::string& path, const StreamWriter& write, std::string& temporary,
                    std::string& error);
// Renames temporary to path, replacing it; removes temporary when that fails.
bool Commit(const std::string& temporary, const std::string& path, std::string& error);
void RemoveQuietly(const std::string& path);

// UTF-8 to UTF-16; nothing for malformed input.
std::optional<std::u16string> Utf8ToUtf16(const std::string& text);
// Appends a code point as UTF-16; a surrogate or a value past U+10FFFF becomes U+FFFD.
void AppendUtf16(std::u16string& out, char32_t code);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
// A decimal 32-bit signed number written exactly (an optional "-" and digits).
std::optional<std::int32_t> ParseInt32(const std::string& text);

// What a program run by RunProgram is given and what is taken from it; by default it shares
// the tool's standard streams and terminal.
struct ProgramIo {
    // When set, the program's standard input: these bytes (at most kMaxProgramInput), then its
    // end. The program then runs without the terminal (in a session of its own where there is
    // one), so that it cannot ask there for anything.
    const std::string* input = nullptr;
    // When set, receives what the program writes to standard output and standard error.
    std::string* output = nullptr;
    // When not zero, the program is ended after this many seconds (with its output taken, no
    // more than a pipe holds on Windows).
    int timeoutSeconds = 0;
};
constexpr std::size_t kMaxProgramInput = 4096;
constexpr int kProgramTimedOut = -2;

// Runs a program found on PATH with these arguments and waits; its exit status, -1 when it
// could not be started or did not end normally, or kProgramTimedOut when it was ended.
int RunProgram(const std::vector<std::string>& argv, const ProgramIo& io = {});

} // namespace kitbag
