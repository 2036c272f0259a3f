#include "shipping/branding/icon_file.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

Bytes Png(std::size_t size, std::uint8_t fill) {
    Bytes data = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    data.resize(size, fill);
    return data;
}

Bytes Bitmap(std::uint32_t side, std::size_t size) {
    Bytes data;
    AppendU32(data, 40);
    AppendU32(data, side);
    AppendU32(data, 2 * side); // the XOR and AND masks
    AppendU16(data, 1);
    AppendU16(data, 32);
    data.resize(size, static_cast<std::uint8_t>(side));
    return data;
}

IconImage Image(std::uint8_t side, std::uint16_t bits, Bytes data) {
    return {side, side, 0, 1, bits, std::move(data)};
}

// An icon file of these images, their data laid out in reverse order after the directory.
Bytes IconFile(const std::vector<IconImage>& images) {
    Bytes file;
    AppendU16(file, 0);
    AppendU16(file, 1);
    AppendU16(file, static_cast<std::uint16_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = images.size(); i-- > 0;)
        offset += images[i].data.size();
    for (const IconImage& image : images) {
        offset -= image.data.size();
        file.insert(file.end(), {image.width, image.height, image.colorCount, 0});
        AppendU16(file, image.planes);
        AppendU16(file, image.bitCount);
        AppendU32(file, static_cast<std::uint32_t>(image.data.size()));
        AppendU32(file, static_cast<std::uint32_t>(offset));
    }
    for (std::size_t i = images.size(); i-- > 0;)
        file.insert(file.end(), images[i].data.begin(), images[i].data.end());
    return file;
}

const std::vector<IconImage> kImages = {
    Image(0, 32, Png(300, 0xAB)), Image(48, 32, Bitmap(48, 9640)), Image(16, 8, Bitmap(16, 1128))};

Bytes Group(const std::vector<std::uint16_t>& ids) {
    Bytes group;
    AppendU16(group, 0);
    AppendU16(group, 1);
    AppendU16(group, static_cast<std::uint16_t>(ids.size()));
    for (std::uint16_t id : ids) {
        group.insert(group.end(), {32, 32, 0, 0});
        AppendU16(group, 1);
        AppendU16(group, 32);
        AppendU32(group, 100);
        AppendU16(group, id);
    }
    return group;
}

NameMap& Type(ResourceTree& tree, std::uint16_t type) {
    return tree[ResourceName::Id(type)];
}

TEST(IconFile, ReadsEveryImageWhateverItsKindSizeAndPlace) {
    std::vector<IconImage> images;
    std::string error;
    ASSERT_TRUE(ReadIconFile(IconFile(kImages), images, error)) << error;
    ASSERT_EQ(images.size(), kImages.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].width, kImages[i].width) << i;
        EXPECT_EQ(images[i].height, kImages[i].height) << i;
        EXPECT_EQ(images[i].planes, 1) << i;
        EXPECT_EQ(images[i].bitCount, kImages[i].bitCount) << i;
        EXPECT_EQ(images[i].data, kImages[i].data) << i;
    }
}

TEST(IconFile, RefusesWhatIsNoIconFileOrPointsOutsideItAndSaysWhy) {
    const Bytes good = IconFile(kImages);
    const std::size_t entry2 = 6 + 16; // the second image's entry
    const struct {
        const char* what;
        std::size_t at; // where the value goes, or past the file for none
        std::uint32_t value;
        int width;
        std::size_t size; // the file cut to this many bytes, or 0 for whole
        const char* reason;
    } rows[] = {
        {"reserved field set", 0, 1, 2, 0, "not an icon file"},
        {"a bitmap file", 0, 'B' | 'M' << 8, 2, 0, "not an icon file"},
        {"a cursor file", 2, 2, 2, 0, "a cursor file"},
        {"another type", 2, 3, 2, 0, "not an icon file"},
        {"shorter than a directory", 0, 0, 0, 5, "not an icon file"},
        {"no images", 4, 0, 2, 0, "holds no image"},
        {"more entries than the file holds", 4, 4000, 2, 0, "directory of 4000 images runs past"},
        {"an empty image", entry2 + 8, 0, 4, 0, "image 2 of the icon file is empty"},
        {"an image in the directory", entry2 + 12, 6 + 16 * 3 - 4, 4, 0,
         "overlaps the icon file's directory"},
        {"an image past the end", entry2 + 8, 9641 + 1128, 4, 0, "image 2 (10769 bytes"},
        {"an offset past the end", entry2 + 12, 0xFFFFFFF0u, 4, 0, "runs past the end"},
        {"the file cut short", 0, 0, 0, 6 + 16 * 3 + 100, "runs past the end of the icon file"},
        {"two images sharing bytes", entry2 + 16 + 12, 6 + 16 * 3 + 1128, 4, 0,
         "image 2 and image 3 of the icon file overlap"},
        {"neither PNG nor bitmap", 6 + 16 * 3 + 1128 + 9640, 0x12345678, 4, 0,
         "image 1 (300 bytes at offset 10822) is neither a PNG nor a bitmap"},
        {"a bitmap header longer than its image", 6 + 16 * 3 + 1128, 10000, 4, 0,
         "neither a PNG nor a bitmap"},
    };
    for (const auto& row : rows) {
        Bytes bad = good;
        if (row.width == 2)
            WriteU16(bad, row.at, static_cast<std::uint16_t>(row.value));
        else if (row.width == 4)
            WriteU32(bad, row.at, row.value);
        if (row.size)
            bad.resize(row.size);
        std::vector<IconImage> images;
        std::string error;
        EXPECT_FALSE(ReadIconFile(bad, images, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
        EXPECT_TRUE(images.empty()) << row.what;
    }
}

TEST(IconGroup, ReplacesTheGroupAndTheImagesOnlyItNamedInItsLanguage) {
    ResourceTree tree;
    Type(tree, kIconGroupType)[ResourceName::Id(kInstallerIconGroup)][0x409] = {Group({1, 2, 3}),
                                                                                7};
    Type(tree, kIconGroupType)[ResourceName::Id(9)][0x409].bytes = Group({3, 4});
    for (std::uint16_t id : {1, 2, 3, 4})
        Type(tree, kIconType)[ResourceName::Id(id)][0x409].bytes = Bytes(10, id);
    Type(tree, kIconType)[ResourceName::Id(2)][0x407].bytes = Bytes(10, 0x47);

    std::string error;
    ASSERT_TRUE(ReplaceIconGroup(tree, kImages, error)) << error;
    NameMap& icons = Type(tree, kIconType);
    // 1 and 2 go in 0x409; 3 stays for group 9; 2 stays in 0x407; the new ones take the
    // lowest ids left free: 1, 5, 6.
    EXPECT_EQ(icons.at(ResourceName::Id(2)).size(), 1u);
    EXPECT_EQ(icons.at(ResourceName::Id(2)).count(0x407), 1u);
    EXPECT_EQ(icons.at(ResourceName::Id(3)).at(0x409).bytes, Bytes(10, 3));
    EXPECT_EQ(icons.at(ResourceName::Id(4)).at(0x409).bytes, Bytes(10, 4));
    EXPECT_EQ(icons.size(), 6u);
    const ResourceData& group =
        Type(tree, kIconGroupType).at(ResourceName::Id(kInstallerIconGroup)).at(0x409);
    EXPECT_EQ(group.codePage, 7u);
    ASSERT_EQ(group.bytes.size(), 6 + 14 * kImages.size());
    EXPECT_EQ(ReadU16(group.bytes, 0), 0);
    EXPECT_EQ(ReadU16(group.bytes, 2), 1);
    EXPECT_EQ(ReadU16(group.bytes, 4), kImages.size());
    const std::uint16_t expectedIds[] = {1, 5, 6};
    for (std::size_t i = 0; i < kImages.size(); ++i) {
        const std::size_t entry = 6 + 14 * i;
        EXPECT_EQ(group.bytes[entry], kImages[i].width) << i;
        EXPECT_EQ(group.bytes[entry + 1], kImages[i].height) << i;
        EXPECT_EQ(group.bytes[entry + 3], 0) << i;
        EXPECT_EQ(ReadU16(group.bytes, entry + 4), 1) << i;
        EXPECT_EQ(ReadU16(group.bytes, entry + 6), kImages[i].bitCount) << i;
        EXPECT_EQ(ReadU32(group.bytes, entry + 8), kImages[i].data.size()) << i;
        const std::uint16_t id = ReadU16(group.bytes, entry + 12);
        EXPECT_EQ(id, expectedIds[i]);
        const LanguageMap& image = icons.at(ResourceName::Id(id));
        ASSERT_EQ(image.size(), 1u) << i;
        EXPECT_EQ(image.at(0x409).bytes, kImages[i].data) << i;
        EXPECT_EQ(image.at(0x409).codePage, 7u) << i;
    }
}

TEST(IconGroup, RefusesWithoutAGroupImagesOrIdsAndLeavesTheTreeAlone) {
    ResourceTree stub;
    Type(stub, kIconGroupType)[ResourceName::Id(kInstallerIconGroup)][0x409].bytes = Group({1});
    Type(stub, kIconType)[ResourceName::Id(1)][0x409].bytes = Bytes(10, 1);
    ResourceTree otherGroup;
    Type(otherGroup, kIconGroupType)[ResourceName::Id(6)][0x409].bytes = Group({1});
    ResourceTree malformed = stub;
    Bytes& cut =
        Type(malformed, kIconGroupType)[ResourceName::Id(kInstallerIconGroup)][0x409].bytes;
    cut.resize(cut.size() - 1);
    ResourceTree full = stub;
    for (std::uint32_t id = 2; id <= 0xFFFF; ++id)
        Type(full, kIconType)[ResourceName::Id(static_cast<std::uint16_t>(id))][0];
    const struct {
        const char* what;
        const ResourceTree& tree;
        std::vector<IconImage> images;
        const char* reason;
    } rows[] = {
        {"no icon group 5", otherGroup, kImages, "there is no icon group 5 (type 14)"},
        {"no groups at all", ResourceTree{}, kImages, "there is no icon group 5"},
        {"a cut group", malformed, kImages, "icon group 5 is malformed"},
        {"no images", stub, {}, "there are no images"},
        {"an empty image", stub, {Image(16, 32, {})}, "image 1 for icon group 5 is empty"},
        {"every other id taken", full, kImages, "no icon ids are left"},
    };
    for (const auto& row : rows) {
        ResourceTree tree = row.tree;
        std::string error;
        EXPECT_FALSE(ReplaceIconGroup(tree, row.images, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
        EXPECT_EQ(BuildResourceSection(tree, 0), BuildResourceSection(row.tree, 0)) << row.what;
    }
}

} // namespace
} // namespace kitbag
