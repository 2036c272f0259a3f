#pragma once
// What the two command-line tools share: files read whole and written through a temporary
// name, text conversion, running another program.
#include "tools/kitbag/bytes.h"

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
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
// A decimal 32-bit signed number written exactly (an optional "-" and digits).
std::optional<std::int32_t> ParseInt32(const std::string& text);

// Runs a program found on PATH with these arguments and waits; its exit status, or -1 when
// it could not be started.
int RunProgram(const std::vector<std::string>& argv);

} // namespace kitbag
