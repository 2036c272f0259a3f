#include "shipping/branding/splash_bitmap.h"

#include "shipping/packing/block_compression.h"
#include "ui/picture_expansion.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

constexpr std::size_t kRowBytes = 1276; // 425 * 3 rounded up to 4

struct Picture {
    std::int32_t width = kSplashWidth;
    std::int32_t height = kSplashHeight;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
};

Bytes Bmp(const Picture& p = {}) {
    const std::size_t stride = (static_cast<std::size_t>(p.width) * p.bits / 8 + 3) / 4 * 4;
    const std::size_t pixels = stride * static_cast<std::size_t>(std::abs(p.height));
    Bytes file = {'B', 'M'};
    AppendU32(file, static_cast<std::uint32_t>(14 + p.headerSize + pixels));
    AppendU32(file, 0);
    AppendU32(file, 14 + p.headerSize);
    AppendU32(file, p.headerSize);
    AppendU32(file, static_cast<std::uint32_t>(p.width));
    AppendU32(file, static_cast<std::uint32_t>(p.height));
    AppendU16(file, 1);
    AppendU16(file, p.bits);
    AppendU32(file, p.compression);
    AppendU32(file, static_cast<std::uint32_t>(pixels));
    file.resize(14 + p.headerSize, 0);
    for (std::size_t i = 0; i < pixels; ++i)
        file.push_back(static_cast<std::uint8_t>(i * 7));
    return file;
}

TEST(SplashBitmap, A24BitPictureOfTheSplashSizeBecomesTheFileWithoutItsHeader) {
    Picture topDown;
    topDown.height = -kSplashHeight;
    Picture fifthHeader;
    fifthHeader.headerSize = 124;
    for (const Picture& picture : {Picture{}, topDown, fifthHeader}) {
        const Bytes file = Bmp(picture);
        ASSERT_EQ(file.size(), 14 + picture.headerSize + kRowBytes * kSplashHeight);
        Bytes resource;
        std::string error;
        ASSERT_TRUE(ReadSplashBitmap(file, resource, error)) << error;
        EXPECT_EQ(resource, Bytes(file.begin() + 14, file.end()));
    }
}

// What kitbag-pack writes, the installer's own code expands (ui/picture_expansion.h): exactly
// the bitmap resource's bytes, in every language the stub has the picture in.
TEST(SplashBitmap, IsWrittenCompressedAndTheInstallerExpandsItToTheBitmap) {
    Picture topDown;
    topDown.height = -kSplashHeight;
    Picture fifthHeader;
    fifthHeader.headerSize = 124;
    for (const Picture& picture : {Picture{}, topDown, fifthHeader}) {
        ResourceTree tree;
        tree[kPictureType][ResourceName::Id(kSplashBitmap)][0x409] = {Bytes(5, 1), 3};
        tree[kPictureType][ResourceName::Id(kSplashBitmap)][0x407] = {Bytes(5, 1), 0};
        tree[kPictureType][ResourceName::Id(130)][0x409].bytes = Bytes(5, 2);
        const Bytes file = Bmp(picture);
        std::string error;
        ASSERT_TRUE(SetSplashBitmap(tree, file, error)) << error;
        const ResourceData& splash = tree[kPictureType][ResourceName::Id(kSplashBitmap)][0x409];
        EXPECT_EQ(splash.codePage, 3u);
        EXPECT_EQ(tree[kPictureType][ResourceName::Id(kSplashBitmap)][0x407].bytes, splash.bytes);
        EXPECT_EQ(tree[kPictureType][ResourceName::Id(130)][0x409].bytes, Bytes(5, 2));
        EXPECT_LT(splash.bytes.size(), file.size() / 10);

        ExpandedPicture expanded;
        ASSERT_TRUE(
            ExpandPicture(splash.bytes.data(), splash.bytes.size(), kSplashBitmap, expanded));
        ASSERT_EQ(Bytes(expanded.dib.get(), expanded.dib.get() + expanded.size),
                  Bytes(file.begin() + 14, file.end()));
        EXPECT_EQ(expanded.pixelOffset, picture.headerSize);
        EXPECT_EQ(expanded.pixelBytes, kRowBytes * kSplashHeight);

        EXPECT_FALSE(ExpandPicture(splash.bytes.data(), splash.bytes.size(), 130, expanded))
            << "another picture's id";
        Bytes damaged = splash.bytes;
        damaged[damaged.size() / 2] ^= 0x40;
        EXPECT_FALSE(ExpandPicture(damaged.data(), damaged.size(), kSplashBitmap, expanded));
        EXPECT_FALSE(
            ExpandPicture(splash.bytes.data(), splash.bytes.size() - 9, kSplashBitmap, expanded))
            << "cut short";
    }

    // Whatever its block, a bitmap is drawn only when it holds every row its header claims.
    Bytes unpadded = Bmp();
    unpadded.resize(unpadded.size() - 1);
    Bytes cut(unpadded.begin() + 14, unpadded.end());
    Bytes resource;
    std::string error;
    ASSERT_TRUE(CompressPicture(cut, kSplashBitmap, resource, error)) << error;
    ExpandedPicture expanded;
    EXPECT_FALSE(ExpandPicture(resource.data(), resource.size(), kSplashBitmap, expanded));
    cut.push_back(0);
    WriteU32(cut, 16, 1); // BI_RLE8
    ASSERT_TRUE(CompressPicture(cut, kSplashBitmap, resource, error)) << error;
    EXPECT_FALSE(ExpandPicture(resource.data(), resource.size(), kSplashBitmap, expanded));

    // A stub built before the pictures were compressed takes the bitmap as it is.
    ResourceTree old;
    old[ResourceName::Id(kBitmapType)][ResourceName::Id(kSplashBitmap)][0x409].bytes = Bytes(5);
    const Bytes file = Bmp();
    ASSERT_TRUE(SetSplashBitmap(old, file, error)) << error;
    EXPECT_EQ(old[ResourceName::Id(kBitmapType)][ResourceName::Id(kSplashBitmap)][0x409].bytes,
              Bytes(file.begin() + 14, file.end()));

    ResourceTree none;
    none[kPictureType][ResourceName::Id(130)][0x409].bytes = Bytes(5, 2);
    EXPECT_FALSE(SetSplashBitmap(none, Bmp(), error));
    EXPECT_NE(error.find("no picture 133"), std::string::npos) << error;
}

TEST(SplashBitmap, OtherPicturesAreRefusedNamingWhatWasFound) {
    Picture wide;
    wide.width = 640;
    wide.height = 480;
    Picture deep;
    deep.bits = 32;
    Picture rle;
    rle.compression = 1;
    Picture paletted;
    paletted.bits = 8;
    paletted.compression = 1;
    paletted.width = 426;
    Picture core;
    core.headerSize = 12;
    const Bytes good = Bmp();
    auto with = [&](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        WriteU32(b, at, value);
        return b;
    };
    const struct {
        const char* what;
        Bytes file;
        const char* reason;
    } rows[] = {
        {"a 640 x 480 picture", Bmp(wide), "this is 640 x 480"},
        {"a 32-bit picture", Bmp(deep), "this is a 32-bit picture"},
        {"a compressed picture", Bmp(rle), "this is compressed (BI_RLE8)"},
        {"everything wrong", Bmp(paletted),
         "this is a 8-bit picture, compressed (BI_RLE8), 426 x 208"},
        {"the height 2^31", with(22, 0x80000000u), "425 x 2147483648"},
        {"two planes",
         [&] {
             Bytes b = good;
             WriteU16(b, 26, 2);
             return b;
         }(),
         "2 planes"},
        {"an icon", {0, 0, 1, 0, 1, 0}, "not a BMP file"},
        {"nothing", {}, "not a BMP file"},
        {"an OS/2 header", Bmp(core), "12-byte header"},
        {"cut in the header", Bytes(good.begin(), good.begin() + 30),
         "ends inside its 40-byte header"},
        {"a header longer than the file", with(14, 0xFFFFFFF0u), "ends inside its"},
        {"pixels inside the header", with(10, 50), "lies inside the header"},
        {"a gap before the pixels", with(10, 58), "cannot hold a gap"},
        {"a colour table past the pixels", with(46, 256), "end at 1078"},
        {"truncated pixel data", Bytes(good.begin(), good.end() - 1), "truncated pixel data"},
        {"a smaller claimed image", with(34, 1000), "claims 1000 bytes of pixels"},
    };
    for (const auto& row : rows) {
        Bytes resource;
        std::string error;
        EXPECT_FALSE(ReadSplashBitmap(row.file, resource, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }
    Bytes padded = good;
    padded.resize(padded.size() + 2, 0);
    Bytes resource;
    std::string error;
    EXPECT_TRUE(ReadSplashBitmap(padded, resource, error)) << "bytes after the rows: " << error;
}

} // namespace
} // namespace kitbag
