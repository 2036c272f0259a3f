#pragma once
// kitbag-pack --list: what an installer holds, read back from its file.
#include "shipping/pe/resource_tree.h"

#include <string>

namespace kitbag {

// Writes the listing of the installer at path to standard output; the reason when the file
// cannot be read as an installer.
std::string ListInstaller(const std::string& path);

// The version resource's numbers and texts, or why they cannot be read.
void PrintVersion(const ResourceTree& tree);

} // namespace kitbag
