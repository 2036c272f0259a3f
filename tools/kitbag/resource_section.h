#pragma once
// Puts a new resource tree into an unsigned PE32 image: the resource section is rebuilt in
// place and the base-relocation section that may follow it is moved along.
#include "tools/kitbag/resource_tree.h"

namespace kitbag {

bool ReplaceResources(const Bytes& image, const ResourceTree& tree, Bytes& out, std::string& error);

} // namespace kitbag
