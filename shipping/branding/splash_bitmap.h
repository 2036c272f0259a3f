#pragma once
// The splash picture: a BMP file checked against what the splash window shows, and put in
// as the installer's picture 133, compressed.
#include "shipping/pe/resource_tree.h"

#include <string>

namespace kitbag {

constexpr std::uint16_t kBitmapType = 2;
// The installer's compressed pictures (ui/picture_bitmap.h).
inline const ResourceName kPictureType = ResourceName::String("PICTURE");
constexpr std::uint16_t kSplashBitmap = 133;
// The splash window shows the bitmap at its own size, 24-bit and uncompressed.
constexpr std::int32_t kSplashWidth = 425;
constexpr std::int32_t kSplashHeight = 208;

// The bitmap resource made from a BMP file: the file without its 14-byte BITMAPFILEHEADER.
// False with a reason naming what was found when the file is no 24-bit, uncompressed
// 425 x 208 picture (bottom-up or top-down) or holds less than its header claims.
bool ReadSplashBitmap(const Bytes& file, Bytes& resource, std::string& error);

// Sets picture 133 to the picture in `file`, compressed, in every language that has it; a stub
// built before the pictures were compressed has bitmap 133 instead, which gets it as it is.
bool SetSplashBitmap(ResourceTree& tree, const Bytes& file, std::string& error);

} // namespace kitbag
