#include "shipping/branding/icon_file.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace kitbag {

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kFileEntrySize = 16;  // ICONDIRENTRY: ends with the image's offset
constexpr std::size_t kGroupEntrySize = 14; // GRPICONDIRENTRY: ends with the image's id
constexpr std::uint16_t kIconKind = 1;
constexpr std::uint16_t kCursorKind = 2;
constexpr std::size_t kBitmapHeaderSize = 40;
const std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::string ImageName(std::size_t index) {
    return "image " + std::to_string(index + 1);
}

bool IsPng(const Bytes& data) {
    return data.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin());
}

// A BITMAPINFOHEADER or a later, longer one, whole within the image.
bool IsBitmap(const Bytes& data) {
    return data.size() >= kBitmapHeaderSize && ReadU32(data, 0) >= kBitmapHeaderSize &&
           ReadU32(data, 0) <= data.size();
}

// The icon ids a group's directory names; false when it is malformed.
bool GroupIds(const Bytes& group, std::vector<std::uint16_t>& ids) {
    ids.clear();
    if (group.size() < kDirectorySize || ReadU16(group, 0) != 0 || ReadU16(group, 2) != kIconKind)
        return false;
    const std::uint16_t count = ReadU16(group, 4);
    if (!InBounds(group.size(), kDirectorySize, std::uint64_t{kGroupEntrySize} * count))
        return false;
    for (std::size_t i = 0; i < count; ++i)
        ids.push_back(ReadU16(group, kDirectorySize + kGroupEntrySize * i + 12));
    return true;
}

} // namespace

bool ReadIconFile(const Bytes& file, std::vector<IconImage>& images, std::string& error) {
    if (file.size() < kDirectorySize || ReadU16(file, 0) != 0 || ReadU16(file, 2) != kIconKind) {
        error = file.size() >= kDirectorySize && ReadU16(file, 0) == 0 &&
                        ReadU16(file, 2) == kCursorKind
                    ? "a cursor file, not an icon file"
                    : "not an icon file";
        return false;
    }
    const std::uint16_t count = ReadU16(file, 4);
    if (count == 0) {
        error = "the icon file holds no image";
        return false;
    }
    const std::uint64_t directoryEnd = kDirectorySize + std::uint64_t{kFileEntrySize} * count;
    if (directoryEnd > file.size()) {
        error =
            "the icon file's directory of " + std::to_string(count) + " images runs past its end";
        return false;
    }
    std::vector<IconImage> read(count);
    std::vector<std::tuple<std::uint64_t, std::uint64_t, std::size_t>> extents;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kDirectorySize + kFileEntrySize * i;
        const std::uint32_t size = ReadU32(file, entry + 8);
        const std::uint32_t offset = ReadU32(file, entry + 12);
        const std::string where = ImageName(i) + " (" + std::to_string(size) + " bytes at offset " +
                                  std::to_string(offset) + ")";
        if (size == 0) {
            error = ImageName(i) + " of the icon file is empty";
            return false;
        }
        if (offset < directoryEnd) {
            error = where + " overlaps the icon file's directory";
            return false;
        }
        if (!InBounds(file.size(), offset, size)) {
            error = where + " runs past the end of the icon file (" + std::to_string(file.size()) +
                    " bytes)";
            return false;
        }
        IconImage& image = read[i];
        image.width = file[entry];
        image.height = file[entry + 1];
        image.colorCount = file[entry + 2];
        image.planes = ReadU16(file, entry + 4);
        image.bitCount = ReadU16(file, entry + 6);
        image.data.assign(file.begin() + offset, file.begin() + offset + size);
        if (!IsPng(image.data) && !IsBitmap(image.data)) {
            error = where + " is neither a PNG nor a bitmap";
            return false;
        }
        extents.emplace_back(offset, std::uint64_t{offset} + size, i);
    }
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 1; i < extents.size(); ++i)
        if (std::get<0>(extents[i]) < std::get<1>(extents[i - 1])) {
            const auto [first, second] =
                std::minmax(std::get<2>(extents[i - 1]), std::get<2>(extents[i]));
            error = ImageName(first) + " and " + ImageName(second) + " of the icon file overlap";
            return false;
        }
    images = std::move(read);
    return true;
}

bool ReplaceIconGroup(ResourceTree& tree, const std::vector<IconImage>& images, std::string& error,
                      std::uint16_t group) {
    const std::string groupName = "icon group " + std::to_string(group);
    if (images.empty() || images.size() > 0xFFFF) {
        error = images.empty() ? "there are no images for " + groupName
                               : "an icon group holds at most 65535 images";
        return false;
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        if (images[i].data.empty() || images[i].data.size() > 0xFFFFFFFFu) {
            error = ImageName(i) + " for " + groupName + " is empty or too large";
            return false;
        }
    auto groups = tree.find(ResourceName::Id(kIconGroupType));
    auto ours =
        groups == tree.end() ? NameMap::iterator{} : groups->second.find(ResourceName::Id(group));
    if (groups == tree.end() || ours == groups->second.end() || ours->second.empty()) {
        error = "there is no " + groupName + " (type 14)";
        return false;
    }

    // The changes are made on copies of the two types and put in place once all is well.
    NameMap icons;
    if (auto found = tree.find(ResourceName::Id(kIconType)); found != tree.end())
        icons = found->second;
    LanguageMap replaced = ours->second;
    std::set<std::pair<std::uint16_t, std::uint16_t>> namedElsewhere; // language, id
    std::vector<std::uint16_t> ids;
    for (const auto& [name, languages] : groups->second)
        if (name.isString || name.id != group)
            for (const auto& [language, data] : languages)
                if (GroupIds(data.bytes, ids))
                    for (std::uint16_t id : ids)
                        namedElsewhere.insert({language, id});
    for (const auto& [language, data] : replaced) {
        if (!GroupIds(data.bytes, ids)) {
            error = groupName + " is malformed";
            return false;
        }
        for (std::uint16_t id : ids) {
            auto icon = icons.find(ResourceName::Id(id));
            if (icon == icons.end() || namedElsewhere.count({language, id}))
                continue;
            icon->second.erase(language);
            if (icon->second.empty())
                icons.erase(icon);
        }
    }

    std::uint32_t nextId = 1;
    for (auto& [language, data] : replaced) {
        Bytes directory;
        AppendU16(directory, 0);
        AppendU16(directory, kIconKind);
        AppendU16(directory, static_cast<std::uint16_t>(images.size()));
        for (const IconImage& image : images) {
            while (nextId <= 0xFFFF &&
                   icons.count(ResourceName::Id(static_cast<std::uint16_t>(nextId))))
                ++nextId;
            if (nextId > 0xFFFF) {
                error = "no icon ids are left for " + groupName;
                return false;
            }
            const std::uint16_t id = static_cast<std::uint16_t>(nextId);
            icons[ResourceName::Id(id)][language] = ResourceData{image.data, data.codePage};
            directory.insert(directory.end(), {image.width, image.height, image.colorCount, 0});
            AppendU16(directory, image.planes);
            AppendU16(directory, image.bitCount);
            AppendU32(directory, static_cast<std::uint32_t>(image.data.size()));
            AppendU16(directory, id);
        }
        data.bytes = std::move(directory);
    }
    tree[ResourceName::Id(kIconType)] = std::move(icons);
    ours->second = std::move(replaced);
    return true;
}

} // namespace kitbag
