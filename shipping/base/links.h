#pragma once
// Where a path leads, as the system reaches it. The Windows C++ library does not resolve links
// (its canonical leaves junctions and symbolic links as they are), so the tools ask the system.
#include <filesystem>
#include <system_error>

namespace kitbag {

// The absolute path of an existing file or folder with every link on the way resolved.
std::filesystem::path ResolvedPath(const std::filesystem::path& path, std::error_code& failure);
// The same where the system can tell; else the absolute path as written, with its links as
// they are (Wine cannot name a handle's path past 260 characters), or empty.
std::filesystem::path ResolvedIfPossible(const std::filesystem::path& path);

} // namespace kitbag
