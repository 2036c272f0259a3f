#pragma once
// What kitbag-pack's options change in the stub besides its payload: the string-table
// settings, the version resource's texts, the icon and the splash picture.
#include "shipping/branding/version_branding.h"
#include "shipping/pe/resource_tree.h"
#include "shipping/programs/pack_options.h"

#include <cstdint>
#include <map>
#include <string>

namespace kitbag {

// String-table id -> text.
using StringSettings = std::map<std::uint16_t, std::u16string>;

// The string-table settings the options ask for, checked.
bool ReadSettings(const PackOptions& options, StringSettings& settings, std::string& error);

// The version resource's texts the options ask for; the product's title is its ProductName
// and the output's file name its OriginalFilename.
bool ReadBranding(const PackOptions& options, VersionBranding& branding, std::string& error);

// The icon and the splash picture, read from their files into the tree.
bool ApplyArtwork(const PackOptions& options, ResourceTree& tree, std::string& error);

} // namespace kitbag
