#pragma once
// kitbag-pack --list: what an installer holds, read back from its file.
#include <string>

namespace kitbag {

// Writes the listing of the installer at path to standard output; the reason when the file
// cannot be read as an installer.
std::string ListInstaller(const std::string& path);

} // namespace kitbag
