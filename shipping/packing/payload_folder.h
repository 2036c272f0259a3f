#pragma once
// The files of a product folder, as kitbag-pack packs them.
#include "shipping/packing/payload_plan.h"

#include <string>
#include <vector>

namespace kitbag {

// Every file under folder, named relative to it. A link to a file is packed under the link's
// own name with the target's contents; a link to a folder and a link to nothing are refused.
// emptyFolders: the folders that hold no file at any depth, which the installer cannot make.
bool ListFolder(const std::string& folder, std::vector<PayloadFile>& files,
                std::vector<std::string>& emptyFolders, std::string& error);

} // namespace kitbag
