#pragma once
// kitbag-pack's work: a product folder and the options into an installer, or a dry run of it.
#include "shipping/programs/pack_options.h"

#include <string>

namespace kitbag {

// Empty when the installer was written (or the dry run printed), else the reason; nothing is
// written then.
std::string Pack(const PackOptions& options);

} // namespace kitbag
