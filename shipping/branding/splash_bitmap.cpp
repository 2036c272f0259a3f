#include "shipping/branding/splash_bitmap.h"

#include "shipping/packing/block_compression.h"

#include <cstdlib>
#include <vector>

namespace kitbag {

namespace {

constexpr std::size_t kFileHeaderSize = 14; // BITMAPFILEHEADER
constexpr std::size_t kInfoHeaderSize = 40; // BITMAPINFOHEADER; later headers are longer
constexpr std::uint16_t kSplashBits = 24;
constexpr std::uint32_t kUncompressed = 0; // BI_RGB

std::string CompressionName(std::uint32_t compression) {
    static const char* const names[] = {"BI_RGB",       "BI_RLE8", "BI_RLE4",
                                        "BI_BITFIELDS", "BI_JPEG", "BI_PNG"};
    return compression < std::size(names) ? names[compression]
                                          : "method " + std::to_string(compression);
}

// The splash's resource: picture 133, or bitmap 133 in a stub built before the pictures were
// compressed. Null when there is neither.
LanguageMap* SplashResource(ResourceTree& tree, bool& compressed) {
    for (const ResourceName& type : {kPictureType, ResourceName::Id(kBitmapType)}) {
        auto found = tree.find(type);
        if (found == tree.end())
            continue;
        auto name = found->second.find(ResourceName::Id(kSplashBitmap));
        if (name != found->second.end() && !name->second.empty()) {
            compressed = type.isString;
            return &name->second;
        }
    }
    return nullptr;
}

} // namespace

bool ReadSplashBitmap(const Bytes& file, Bytes& resource, std::string& error) {
    if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    const std::uint32_t headerSize = ReadU32(file, kFileHeaderSize);
    if (headerSize < kInfoHeaderSize) {
        error = "a BMP file with a " + std::to_string(headerSize) +
                "-byte header; the splash picture needs a BITMAPINFOHEADER or a later one";
        return false;
    }
    if (!InBounds(file.size(), kFileHeaderSize, headerSize)) {
        error = "the BMP file ends inside its " + std::to_string(headerSize) + "-byte header";
        return false;
    }
    const auto width = static_cast<std::int32_t>(ReadU32(file, 18));
    const auto height = static_cast<std::int32_t>(ReadU32(file, 22));
    const std::uint16_t planes = ReadU16(file, 26);
    const std::uint16_t bits = ReadU16(file, 28);
    const std::uint32_t compression = ReadU32(file, 30);
    const std::uint32_t imageSize = ReadU32(file, 34);
    const std::uint32_t coloursUsed = ReadU32(file, 46);

    std::vector<std::string> found;
    if (bits != kSplashBits)
        found.push_back("a " + std::to_string(bits) + "-bit picture");
    if (compression != kUncompressed)
        found.push_back("compressed (" + CompressionName(compression) + ")");
    const std::int64_t rows = std::llabs(std::int64_t{height});
    if (width != kSplashWidth || rows != kSplashHeight)
        found.push_back(std::to_string(width) + " x " + std::to_string(rows));
    if (planes != 1)
        found.push_back(std::to_string(planes) + " planes");
    if (!found.empty()) {
        std::string list;
        for (const std::string& f : found)
            list += (list.empty() ? "" : ", ") + f;
        error = "the splash picture must be a 24-bit, uncompressed, 425 x 208 BMP file; this "
                "is " +
                list;
        return false;
    }

    // The resource has no file header: whoever loads it finds the pixels right after the
    // header and the colour table, wherever the file's offset put them.
    const std::uint32_t pixelOffset = ReadU32(file, 10);
    const std::uint64_t pixelsExpected =
        kFileHeaderSize + std::uint64_t{headerSize} + 4ull * coloursUsed;
    if (pixelOffset != pixelsExpected) {
        error = "the BMP file's pixel data offset is " + std::to_string(pixelOffset) +
                " where its header and colour table end at " + std::to_string(pixelsExpected) +
                (pixelOffset < pixelsExpected ? ": it lies inside the header"
                                              : ": the bitmap resource cannot hold a gap");
        return false;
    }
    const std::uint64_t stride = AlignUp(std::uint64_t{kSplashWidth} * kSplashBits / 8, 4);
    const std::uint64_t pixelBytes = stride * kSplashHeight;
    if (imageSize != 0 && imageSize < pixelBytes) {
        error = "the BMP header claims " + std::to_string(imageSize) + " bytes of pixels; " +
                std::to_string(kSplashHeight) + " rows of " + std::to_string(stride) +
                " bytes need " + std::to_string(pixelBytes);
        return false;
    }
    if (!InBounds(file.size(), pixelOffset, pixelBytes)) {
        error = "truncated pixel data: " + std::to_string(kSplashHeight) + " rows of " +
                std::to_string(stride) + " bytes need " + std::to_string(pixelBytes) +
                " bytes from offset " + std::to_string(pixelOffset) + ", the file ends " +
                std::to_string(pixelOffset + pixelBytes - file.size()) + " bytes short";
        return false;
    }
    resource.assign(file.begin() + kFileHeaderSize, file.end());
    return true;
}

bool SetSplashBitmap(ResourceTree& tree, const Bytes& file, std::string& error) {
    Bytes bitmap;
    if (!ReadSplashBitmap(file, bitmap, error))
        return false;
    bool compressed = false;
    LanguageMap* languages = SplashResource(tree, compressed);
    if (languages == nullptr) {
        error = "there is no picture 133 (type PICTURE) for the splash picture";
        return false;
    }
    Bytes resource;
    if (!compressed)
        resource = bitmap;
    else if (!CompressPicture(bitmap, kSplashBitmap, resource, error))
        return false;
    for (auto& [language, data] : *languages)
        data.bytes = resource;
    return true;
}

} // namespace kitbag
