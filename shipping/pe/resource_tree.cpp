#include "shipping/pe/resource_tree.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <vector>

namespace kitbag {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr int kStringsPerBlock = 16;

// Reads within the resource directory: offsets are relative to its start, and every read is
// checked against the end of the section's raw data, which lies inside the image.
class DirectoryReader {
public:
    DirectoryReader(ImageSource& image, const PeLayout& layout, std::uint64_t base,
                    std::uint64_t end)
        : m_image(image), m_layout(layout), m_base(base), m_end(std::min(end, image.Size())) {}

    bool ReadName(std::uint32_t field, ResourceName& name, std::string& error) {
        if ((field & kHighBit) == 0) {
            name = ResourceName::Id(static_cast<std::uint16_t>(field));
            return true;
        }
        std::uint64_t at = m_base + std::uint64_t{field & ~kHighBit};
        Bytes length, text;
        if (!Fits(at, 2) || !Read(at, 2, length, error))
            return Fail("a resource name lies outside the resource section", error);
        if (!Fits(at + 2, 2ull * ReadU16(length, 0)))
            return Fail("a resource name lies outside the resource section", error);
        if (!Read(at + 2, 2u * ReadU16(length, 0), text, error))
            return false;
        name.isString = true;
        for (std::size_t i = 0; i < text.size(); i += 2)
            name.text.push_back(static_cast<char16_t>(ReadU16(text, i)));
        return true;
    }

    // Calls visit(name, offsetToData) for every entry of the directory at offset. A directory
    // is read once: the tables form a tree, and entries that all name one table would
    // otherwise multiply the work at every level.
    template <typename Visit>
    bool ForEachEntry(std::uint32_t offset, Visit visit, std::string& error) {
        std::uint64_t at = m_base + std::uint64_t{offset};
        Bytes table, entries;
        if (!Fits(at, 16))
            return Fail("a resource directory lies outside the resource section", error);
        if (!m_visited.insert(offset).second)
            return Fail("a resource directory is named by more than one entry", error);
        if (!Read(at, 16, table, error))
            return false;
        std::uint32_t count = ReadU16(table, 12) + ReadU16(table, 14);
        if (!Fits(at + 16, 8ull * count))
            return Fail("a resource directory's entries lie outside the resource section", error);
        if (!Read(at + 16, 8u * count, entries, error))
            return false;
        for (std::uint32_t i = 0; i < count; ++i) {
            ResourceName name;
            if (!ReadName(ReadU32(entries, 8u * i), name, error) ||
                !visit(name, ReadU32(entries, 8u * i + 4)))
                return false;
        }
        return true;
    }

    bool ReadData(std::uint32_t offset, ResourceExtent& data, std::string& error) {
        std::uint64_t at = m_base + std::uint64_t{offset};
        Bytes entry;
        if (!Fits(at, 16))
            return Fail("a resource data entry lies outside the resource section", error);
        if (!Read(at, 16, entry, error))
            return false;
        std::uint32_t rva = ReadU32(entry, 0);
        std::uint32_t size = ReadU32(entry, 4);
        std::size_t file = 0;
        if (size != 0 && (!m_layout.RvaToOffset(rva, size, file) || file > m_image.Size() ||
                          size > m_image.Size() - file))
            return Fail("resource data lies outside the image's sections", error);
        // Entries may point at the same data; read as often as they do, it could take far more
        // memory than the file has bytes.
        m_dataBytes += size;
        if (m_dataBytes > m_image.Size())
            return Fail("the resource entries hold more data than the whole file: they overlap",
                        error);
        data.offset = file;
        data.size = size;
        data.codePage = ReadU32(entry, 8);
        return true;
    }

private:
    bool Fits(std::uint64_t at, std::uint64_t length) const {
        return at <= m_end && length <= m_end - at;
    }
    static bool Fail(const char* why, std::string& error) {
        error = why;
        return false;
    }
    bool Read(std::uint64_t at, std::size_t count, Bytes& out, std::string& error) {
        return m_image.Read(at, count, out) || Fail("cannot read the resource directory", error);
    }

    ImageSource& m_image;
    const PeLayout& m_layout;
    std::uint64_t m_base;
    std::uint64_t m_end;
    std::set<std::uint32_t> m_visited;
    std::uint64_t m_dataBytes = 0;
};

std::vector<std::u16string> ReadBlock(const Bytes& block) {
    std::vector<std::u16string> strings(kStringsPerBlock);
    std::size_t at = 0;
    for (auto& s : strings) {
        if (at + 2 > block.size())
            break;
        std::uint16_t length = ReadU16(block, at);
        at += 2;
        for (std::uint16_t i = 0; i < length && at + 2 <= block.size(); ++i, at += 2)
            s.push_back(static_cast<char16_t>(ReadU16(block, at)));
    }
    return strings;
}

Bytes WriteBlock(const std::vector<std::u16string>& strings) {
    Bytes block;
    for (const auto& s : strings) {
        AppendU16(block, static_cast<std::uint16_t>(s.size()));
        for (char16_t c : s)
            AppendU16(block, static_cast<std::uint16_t>(c));
    }
    return block;
}

} // namespace

bool ReadResourceExtents(ImageSource& image, const PeLayout& layout, ResourceExtents& tree,
                         std::string& error) {
    tree.clear();
    Directory dir = layout.Dir(kResourceDirectory);
    if (dir.address == 0)
        return true;
    int index = layout.SectionOfRva(dir.address);
    if (index < 0) {
        error = "the resource directory lies outside the image's sections";
        return false;
    }
    const Section& s = layout.sections[index];
    const std::uint64_t base = std::uint64_t{s.rawPointer} + (dir.address - s.virtualAddress);
    const std::uint64_t end = std::uint64_t{s.rawPointer} + s.rawSize;
    if (base >= end || end > image.Size()) {
        error = "the resource directory lies outside the section's data";
        return false;
    }
    DirectoryReader reader(image, layout, base, end);
    auto subdirectory = [&](std::uint32_t offset) {
        if ((offset & kHighBit) == 0)
            error = "the resource directory is not three levels deep";
        return (offset & kHighBit) != 0;
    };
    return reader.ForEachEntry(
        0,
        [&](const ResourceName& type, std::uint32_t typeOffset) {
            return subdirectory(typeOffset) &&
                   reader.ForEachEntry(
                       typeOffset & ~kHighBit,
                       [&](const ResourceName& name, std::uint32_t nameOffset) {
                           return subdirectory(nameOffset) &&
                                  reader.ForEachEntry(
                                      nameOffset & ~kHighBit,
                                      [&](const ResourceName& language, std::uint32_t dataOffset) {
                                          if (language.isString || (dataOffset & kHighBit)) {
                                              error = "a resource language entry is malformed";
                                              return false;
                                          }
                                          return reader.ReadData(
                                              dataOffset, tree[type][name][language.id], error);
                                      },
                                      error);
                       },
                       error);
        },
        error);
}

bool ReadResources(const Bytes& image, const PeLayout& layout, ResourceTree& tree,
                   std::string& error) {
    tree.clear();
    MemoryImage source(image);
    ResourceExtents extents;
    if (!ReadResourceExtents(source, layout, extents, error))
        return false;
    for (const auto& [type, names] : extents)
        for (const auto& [name, languages] : names)
            for (const auto& [language, extent] : languages) {
                const auto from = image.begin() + static_cast<std::ptrdiff_t>(extent.offset);
                tree[type][name][language] =
                    ResourceData(Bytes(from, from + extent.size), extent.codePage);
            }
    return true;
}

ResourceSectionLayout LayOutResourceSection(const ResourceTree& tree, std::uint32_t sectionRva) {
    // Layout: every directory table, then the data entries, then the name strings, then
    // the data, each item at an 8-byte boundary.
    auto tableSize = [](std::size_t entries) { return 16 + 8 * entries; };
    std::size_t directoriesSize = tableSize(tree.size());
    std::size_t dataEntryCount = 0;
    for (const auto& [type, names] : tree) {
        directoriesSize += tableSize(names.size());
        for (const auto& [name, languages] : names) {
            directoriesSize += tableSize(languages.size());
            dataEntryCount += languages.size();
        }
    }
    Bytes out(directoriesSize + 16 * dataEntryCount, 0);

    std::map<std::u16string, std::uint32_t> stringOffsets;
    auto nameField = [&](const ResourceName& n) -> std::uint32_t {
        if (!n.isString)
            return n.id;
        auto found = stringOffsets.find(n.text);
        if (found != stringOffsets.end())
            return kHighBit | found->second;
        std::uint32_t at = static_cast<std::uint32_t>(out.size());
        AppendU16(out, static_cast<std::uint16_t>(n.text.size()));
        for (char16_t c : n.text)
            AppendU16(out, static_cast<std::uint16_t>(c));
        stringOffsets[n.text] = at;
        return kHighBit | at;
    };
    std::size_t nextTable = 0;
    std::size_t nextDataEntry = directoriesSize;
    auto writeTable = [&](std::size_t at, std::size_t named, std::size_t ids) {
        WriteU16(out, at + 12, static_cast<std::uint16_t>(named));
        WriteU16(out, at + 14, static_cast<std::uint16_t>(ids));
    };
    auto countNamed = [](const auto& map) {
        std::size_t n = 0;
        for (const auto& entry : map)
            n += entry.first.isString ? 1 : 0;
        return n;
    };
    // Data entries are filled in once the data has been placed.
    std::vector<std::pair<std::size_t, const ResourceData*>> dataEntries;

    std::size_t root = nextTable;
    nextTable += tableSize(tree.size());
    writeTable(root, countNamed(tree), tree.size() - countNamed(tree));
    std::size_t typeSlot = root + 16;
    for (const auto& [type, names] : tree) {
        std::size_t typeTable = nextTable;
        nextTable += tableSize(names.size());
        WriteU32(out, typeSlot, nameField(type));
        WriteU32(out, typeSlot + 4, kHighBit | static_cast<std::uint32_t>(typeTable));
        typeSlot += 8;
        writeTable(typeTable, countNamed(names), names.size() - countNamed(names));
        std::size_t nameSlot = typeTable + 16;
        for (const auto& [name, languages] : names) {
            std::size_t languageTable = nextTable;
            nextTable += tableSize(languages.size());
            WriteU32(out, nameSlot, nameField(name));
            WriteU32(out, nameSlot + 4, kHighBit | static_cast<std::uint32_t>(languageTable));
            nameSlot += 8;
            writeTable(languageTable, 0, languages.size());
            std::size_t languageSlot = languageTable + 16;
            for (const auto& [language, data] : languages) {
                WriteU32(out, languageSlot, language);
                WriteU32(out, languageSlot + 4, static_cast<std::uint32_t>(nextDataEntry));
                languageSlot += 8;
                dataEntries.emplace_back(nextDataEntry, &data);
                nextDataEntry += 16;
            }
        }
    }
    // Sizes above 2 GiB, which would not fit the fields, are refused by the image's writer.
    ResourceSectionLayout layout;
    layout.size = out.size();
    for (auto& [entry, data] : dataEntries) {
        std::uint64_t at = AlignUp(layout.size, 8);
        WriteU32(out, entry, sectionRva + static_cast<std::uint32_t>(at));
        WriteU32(out, entry + 4, static_cast<std::uint32_t>(data->Size()));
        WriteU32(out, entry + 8, data->codePage);
        layout.data.emplace_back(at, data);
        layout.size = at + data->Size();
    }
    layout.head = std::move(out);
    return layout;
}

Bytes BuildResourceSection(const ResourceTree& tree, std::uint32_t sectionRva) {
    ResourceSectionLayout layout = LayOutResourceSection(tree, sectionRva);
    Bytes out = std::move(layout.head);
    out.resize(static_cast<std::size_t>(layout.size), 0);
    for (const auto& [at, data] : layout.data) {
        if (data->file)
            throw std::invalid_argument("'" + data->file->name +
                                        "' is held as a file: WriteReplacement copies it");
        std::copy(data->bytes.begin(), data->bytes.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

bool SetTableString(ResourceTree& tree, std::uint16_t id, const std::u16string& text,
                    std::string& error) {
    if (text.size() > 0xFFFF) {
        error = "a string-table text is longer than 65535 characters";
        return false;
    }
    LanguageMap& languages =
        tree[ResourceName::Id(kStringTableType)][ResourceName::Id(id / kStringsPerBlock + 1)];
    if (languages.empty())
        languages[0] = ResourceData{};
    for (auto& [language, data] : languages) {
        std::vector<std::u16string> strings = ReadBlock(data.bytes);
        strings[id % kStringsPerBlock] = text;
        data.bytes = WriteBlock(strings);
    }
    return true;
}

std::u16string GetTableString(const ResourceTree& tree, std::uint16_t id) {
    auto type = tree.find(ResourceName::Id(kStringTableType));
    if (type == tree.end())
        return {};
    auto block = type->second.find(ResourceName::Id(id / kStringsPerBlock + 1));
    if (block == type->second.end() || block->second.empty())
        return {};
    return ReadBlock(block->second.begin()->second.bytes)[id % kStringsPerBlock];
}

} // namespace kitbag
