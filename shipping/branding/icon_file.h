#pragma once
// A Windows .ico file read into its images, and the installer's icon group replaced by them.
#include "shipping/pe/resource_tree.h"

#include <string>
#include <vector>

namespace kitbag {

constexpr std::uint16_t kIconType = 3;       // RT_ICON: one image each
constexpr std::uint16_t kIconGroupType = 14; // RT_GROUP_ICON: the directory of the images
constexpr std::uint16_t kInstallerIconGroup = 5;

// One image of an icon file with the directory entry that describes it.
struct IconImage {
    std::uint8_t width = 0;  // 0 stands for 256
    std::uint8_t height = 0; // 0 stands for 256
    std::uint8_t colorCount = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    Bytes data; // a PNG file or a BITMAPINFOHEADER, colours, XOR and AND masks
};

// Reads an icon file: ICONDIR, its entries, and each entry's image, a PNG or a bitmap.
// False with a reason when it is no icon file or an entry's image lies outside the file,
// overlaps the directory or another image.
bool ReadIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error);

// Replaces icon group `group` in each language that has it by one holding `images`: the
// images the old group named are removed unless another group names them too, and the new
// ones are added in the group's language under ids no icon has. False with a reason, the
// tree unchanged, when there is no such group, it is malformed, or ids run out.
bool ReplaceIconGroup(ResourceTree& tree, const std::vector<IconImage>& images, std::string& error,
                      std::uint16_t group = kInstallerIconGroup);

} // namespace kitbag
