#pragma once
// Files as the two command-line tools use them: an input read whole, an output written under
// a temporary name beside it and renamed over it when complete.
#include "shipping/base/bytes.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace kitbag {

// False, naming the path, when it is a folder: a file to read must not be one.
bool CheckInputFile(const std::string& path, std::string& error);
// The same, and false too when it is a device, a pipe or a socket: a file read at offsets or
// whole must be a regular one.
bool CheckRegularFile(const std::string& path, std::string& error);
// The most a PE image can hold: its file offsets are 32-bit.
constexpr std::uint64_t kMaxImageBytes = 0xFFFFFFFF;
// Reads a file whole. A folder, a device, a pipe or a socket, or a file of more than maxBytes,
// is refused by name before anything is read.
bool ReadWholeFile(const std::string& path, Bytes& data, std::string& error,
                   std::uint64_t maxBytes = kMaxImageBytes);
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

} // namespace kitbag
