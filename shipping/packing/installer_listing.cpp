#include "shipping/packing/installer_listing.h"

#include "payload/format/block_unpacking.h"
#include "payload/format/data_extent.h"
#include "payload/format/manifest.h"
#include "shipping/pe/image_file.h"
#include "shipping/pe/resource_tree.h"
#include "shipping/authenticode/signature_info.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/base/printable_text.h"
#include "shipping/base/text.h"
#include "shipping/packing/block_compression.h"
#include "shipping/branding/version_branding.h"

#include <algorithm>
#include <iostream>
#include <map>

namespace kitbag {

namespace {

// The most of one resource the listing reads to show: a manifest of 65535 long names takes less.
constexpr std::uint64_t kMaxShownResource = 64u << 20;

struct SettingName {
    std::uint16_t id;
    const char* what;
};

const SettingName kSettings[] = {
    {0, "program type"},      {1, "title"},           {103, "disk MB"},
    {138, ".NET 2.0"},        {139, ".NET 3.0"},      {140, ".NET 3.5"},
    {141, ".NET 4.0 client"}, {142, ".NET 4.0 full"}, {143, ".NET 4.5 client"},
    {144, ".NET 4.5 full"},   {145, "admin install"}, {201, "program name"},
};

void ListSettings(const ResourceTree& tree) {
    for (const SettingName& setting : kSettings)
        std::cout << "Setting   " << setting.id << "  " << setting.what << "  '"
                  << PrintableText(Utf16ToUtf8(GetTableString(tree, setting.id))) << "'\n";
}

// What the installer would make of a block member: its block and how it would unpack.
struct MemberFacts {
    std::uint16_t block = 0;
    bool stored = false;
    std::uint32_t size = 0;
    MemberResult result = MemberResult::kUnpacked;
};

// Takes each member's outcome and drops its bytes.
class ListingSink : public BlockSink {
public:
    ListingSink(std::uint16_t block, bool stored, std::map<std::uint32_t, MemberFacts>& members)
        : m_block(block), m_stored(stored), m_members(members) {}
    bool Begin(const BlockMember&) override { return true; }
    bool Write(const unsigned char*, std::size_t) override { return true; }
    void End(const BlockMember& member, MemberResult result) override {
        m_members.emplace(member.id, MemberFacts{m_block, m_stored, member.size, result});
    }

private:
    std::uint16_t m_block;
    bool m_stored;
    std::map<std::uint32_t, MemberFacts>& m_members;
};

// A block's bytes in the installer's file, read a piece at a time as the installer reads them.
class FileRange final : public BlockSource {
public:
    FileRange(ImageSource& image, std::uint64_t start, std::uint64_t size)
        : m_image(image), m_start(start), m_size(size) {}
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) override {
        const std::uint64_t fileSize = m_image.Size();
        if (offset >= m_size || m_start >= fileSize || offset >= fileSize - m_start)
            return 0;
        const std::uint64_t want =
            std::min({std::uint64_t{count}, m_size - offset, fileSize - m_start - offset});
        return m_image.ReadAt(m_start + offset, buffer, static_cast<std::size_t>(want))
                   ? static_cast<std::size_t>(want)
                   : 0;
    }

private:
    ImageSource& m_image;
    std::uint64_t m_start;
    std::uint64_t m_size;
};

const ResourceName kToolkit = ResourceName::String("TOOLKIT");
// The installer takes no extent beyond this for one in its file.
constexpr std::uint64_t kFarthestExtent = 1ull << 40;

struct BlockTotals {
    std::uint64_t compressedBytes = 0;
    std::uint64_t storedBytes = 0;
};

// Where the data area starts, as the installer finds it: the end of its sections' raw data.
std::uint64_t DataAreaStart(const PeLayout& layout) {
    std::uint64_t end = 0;
    for (const Section& section : layout.sections)
        end = std::max<std::uint64_t>(end, std::uint64_t{section.rawPointer} + section.rawSize);
    return end;
}

void PrintDataArea(ImageSource& image, const PeLayout& layout) {
    const std::uint64_t start = DataAreaStart(layout);
    const Directory table = layout.Dir(kSecurityDirectory);
    std::uint64_t end = image.Size();
    if (table.size != 0 && table.address >= start && table.address < end)
        end = table.address;
    std::cout << "Data area " << (end > start ? end - start : 0)
              << " bytes after the image's sections, from offset " << start << "\n";
}

// Every block the manifest does not name, among the resources or in the data area, unpacked as
// the installer would, to say whether it would succeed.
void ListBlocks(ImageSource& image, const PeLayout& layout,
                const std::map<ResourceName, std::map<std::uint16_t, ResourceExtent>>& toolkit,
                const ManifestMap& entries, std::map<std::uint32_t, MemberFacts>& members,
                BlockTotals& totals) {
    bool dataAreaShown = false;
    for (const auto& [name, languages] : toolkit) {
        if (name.isString || name.id == 101 || entries.count(name.id) || languages.empty())
            continue;
        const ResourceExtent& resource = languages.begin()->second;
        std::uint64_t start = resource.offset, size = resource.size;
        Bytes record;
        DataExtent extent;
        const bool inDataArea = resource.size == kExtentSize &&
                                image.Read(resource.offset, kExtentSize, record) &&
                                ReadDataExtent(record.data(), record.size(), extent);
        if (inDataArea) {
            if (!dataAreaShown)
                PrintDataArea(image, layout);
            dataAreaShown = true;
            start = DataAreaStart(layout) + extent.offset;
            size = extent.size;
        }
        FileRange source(image, start, size);
        BlockHeader header;
        if ((inDataArea && extent.offset >= kFarthestExtent) ||
            !ReadBlockHeader(source, size, header)) {
            unsigned char magic[sizeof kBlockMagic] = {};
            if (inDataArea)
                std::cout << "Block     " << name.id << "  unreadable in the data area (" << size
                          << " bytes at offset " << extent.offset
                          << " of it): the installer would fail on every file in it\n";
            else if (source.Read(0, magic, sizeof magic) == sizeof magic &&
                     HasBlockMagic(magic, sizeof magic))
                std::cout << "Block     " << name.id << "  unreadable: the installer would fail "
                          << "on every file in it\n";
            continue;
        }
        const bool stored = header.method == kBlockMethodStored;
        std::cout << "Block     " << name.id << "  " << header.members.size() << " files, "
                  << header.UnpackedSize() << " bytes";
        if (stored)
            std::cout << " stored";
        else
            std::cout << " in " << size << " (LZMA, dictionary " << DictionaryBytes(header)
                      << " bytes)";
        std::cout << (inDataArea ? " in the data area\n" : "\n");
        (stored ? totals.storedBytes : totals.compressedBytes) += size;
        // A small block can claim a dictionary of gigabytes, and fill it: the listing unpacks
        // only what kitbag-pack could have written.
        if (DictionaryBytes(header) > kMaxDictionaryBytes) {
            std::cout << "Block     " << name.id << "  not unpacked: its dictionary is larger than "
                      << "kitbag-pack writes (" << kMaxDictionaryBytes << " bytes)\n";
            for (const BlockMember& member : header.members)
                members.emplace(member.id,
                                MemberFacts{name.id, stored, member.size, MemberResult::kNoMemory});
            continue;
        }
        ListingSink sink(name.id, stored, members);
        UnpackBlock(source, size, header, sink);
    }
}

// The manifest's entries, and whether each has its resource with the size the manifest says
// or is a member of a block that unpacks to it.
std::string ListFiles(ImageSource& image, const PeLayout& layout, const ResourceExtents& extents,
                      const ResourceTree& held) {
    auto toolkit = extents.find(kToolkit);
    if (toolkit == extents.end()) {
        std::cout << "No payload (a payload-free installer)\n";
        return {};
    }
    auto manifest = toolkit->second.find(ResourceName::Id(101));
    if (manifest == toolkit->second.end() || manifest->second.empty())
        return "it carries TOOLKIT resources but no manifest (resource 101)";
    const Bytes& text = held.at(kToolkit).at(ResourceName::Id(101)).begin()->second.bytes;
    ManifestMap entries;
    ParseManifest(std::wstring(text.begin(), text.end()), entries);
    std::map<std::uint32_t, MemberFacts> members;
    std::uint64_t total = 0;
    BlockTotals totals;
    std::size_t compressed = 0, stored = 0;
    ListBlocks(image, layout, toolkit->second, entries, members, totals);
    for (const auto& [id, entry] : entries) {
        std::string name(entry.m_strFileName.begin(), entry.m_strFileName.end());
        std::wstring lower = entry.m_strFileName;
        IsProgramName(lower);
        std::cout << "File      " << id << "  " << PrintableText(name) << "  " << entry.m_nSize
                  << " bytes, written as '"
                  << PrintableText(std::string(lower.begin(), lower.end())) << "'";
        auto resource = id <= 0xFFFF
                            ? toolkit->second.find(ResourceName::Id(static_cast<std::uint16_t>(id)))
                            : toolkit->second.end();
        auto member = members.find(id);
        if (resource == toolkit->second.end() || resource->second.empty()) {
            std::cout << "  (missing: the installer would fail)";
        } else if (const std::uint32_t size = resource->second.begin()->second.size;
                   size == entry.m_nSize) {
        } else if (size == 0 && member != members.end()) {
            ++(member->second.stored ? stored : compressed);
            std::cout << (member->second.stored ? "  (stored in block " : "  (compressed in block ")
                      << member->second.block;
            if (member->second.size != entry.m_nSize)
                std::cout << ", which holds " << member->second.size
                          << " bytes for it: the installer would fail";
            else if (member->second.result != MemberResult::kUnpacked) {
                const std::wstring why = DescribeMemberResult(member->second.result);
                std::cout << ", but " << std::string(why.begin(), why.end())
                          << ": the installer would fail";
            }
            std::cout << ")";
        } else {
            std::cout << "  (the resource holds " << size << " bytes: the installer would fail)";
        }
        std::cout << "\n";
        total += entry.m_nSize;
    }
    std::cout << "Payload   " << entries.size() << " files, " << total << " bytes";
    if (compressed != 0)
        std::cout << "; " << compressed << " of them compressed, in blocks of "
                  << totals.compressedBytes << " bytes in all";
    if (stored != 0)
        std::cout << "; " << stored << " stored in blocks of " << totals.storedBytes
                  << " bytes in all";
    std::cout << "\n";
    return {};
}

// The resources whose contents the listing shows (the settings' string blocks, the version
// resource, the manifest), each in the first of its languages, which is the one read.
bool HoldShown(ImageSource& image, const ResourceExtents& extents, ResourceTree& held,
               std::string& error) {
    auto hold = [&](const ResourceName& type, const ResourceName& name, const char* what) {
        auto names = extents.find(type);
        if (names == extents.end())
            return true;
        auto languages = names->second.find(name);
        if (languages == names->second.end() || languages->second.empty())
            return true;
        const auto& [language, extent] = *languages->second.begin();
        if (extent.size > kMaxShownResource) {
            error = std::string(what) + " is " + std::to_string(extent.size) +
                    " bytes, more than the " + std::to_string(kMaxShownResource) +
                    " the listing reads";
            return false;
        }
        ResourceData& data = held[type][name][language];
        data.codePage = extent.codePage;
        if (!image.Read(extent.offset, extent.size, data.bytes)) {
            error = std::string("cannot read ") + what;
            return false;
        }
        return true;
    };
    // Sixteen strings to a block, numbered from 1.
    for (const SettingName& setting : kSettings)
        if (!hold(ResourceName::Id(kStringTableType), ResourceName::Id(setting.id / 16 + 1),
                  "a string table"))
            return false;
    return hold(ResourceName::Id(16), ResourceName::Id(1), "the version resource") &&
           hold(kToolkit, ResourceName::Id(101), "the manifest");
}

// The signer, its issuer and the time stamp, from the signature itself.
void ListSignature(ImageSource& image) {
    std::optional<SignatureInfo> info;
    std::string error;
    if (!ReadSignatureInfo(image, info, error)) {
        std::cout << "Signature unreadable: " << error << "\n";
        return;
    }
    if (!info) {
        std::cout << "Signature none\n";
        return;
    }
    std::cout << "Signer    '" << info->signer << "' issued by '" << info->issuer << "'\n";
    if (info->timeStamp) {
        const TimeStamp& stamp = *info->timeStamp;
        std::cout << "Time stamp " << stamp.time << " by "
                  << (stamp.authority.empty() ? "an authority the signature does not name"
                                              : "'" + stamp.authority + "'")
                  << (stamp.kind == TimeStamp::Kind::Rfc3161 ? " (RFC 3161)"
                                                             : " (counter-signature)")
                  << "\n";
    } else if (!info->timeStampProblem.empty()) {
        std::cout << "Time stamp unreadable: " << info->timeStampProblem << "\n";
    } else {
        std::cout << "Time stamp none\n";
    }
}

// The information block as text when it is printable, else its size only.
void ListTag(ImageSource& image) {
    std::optional<Bytes> information;
    std::string error;
    if (!ShowInformation(image, information, error)) {
        std::cout << "Tag       unreadable: " << error << "\n";
        return;
    }
    if (!information) {
        std::cout << "Tag       none\n";
        return;
    }
    std::string text(information->begin(), information->end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    bool printable = true;
    for (unsigned char c : text)
        printable = printable && (c >= 0x20 || c == '\n' || c == '\r' || c == '\t');
    std::cout << "Tag       " << information->size() << " bytes";
    if (printable) {
        // Line by line, each made printable; a line's CR before its LF stays.
        std::cout << ":\n";
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = std::min(text.find('\n', at), text.size());
            const bool cr = end > at && text[end - 1] == '\r';
            std::cout << PrintableText(text.substr(at, end - at - (cr ? 1 : 0)))
                      << (cr ? "\r\n" : "\n");
            at = end + 1;
        }
    } else
        std::cout << " of binary information\n";
}

} // namespace

void PrintVersion(const ResourceTree& tree) {
    VersionListing listing;
    std::string error;
    if (!ListVersion(tree, listing, error)) {
        std::cout << "Version   unreadable: " << error << "\n";
        return;
    }
    if (!listing.fileVersion.empty())
        std::cout << "Version   file " << listing.fileVersion << ", product "
                  << listing.productVersion << "\n";
    for (const auto& entry : listing.strings)
        std::cout << "Version   " << PrintableText(entry.key) << "  '" << PrintableText(entry.value)
                  << "'\n";
}

std::string ListInstaller(const std::string& path) {
    ImageFile image;
    Bytes head;
    PeLayout layout;
    ResourceExtents extents;
    ResourceTree held;
    std::string error;
    if (!image.Open(path, error))
        return error;
    if (!ReadPeHeaders(image, head, layout, error) ||
        !ReadResourceExtents(image, layout, extents, error) ||
        !HoldShown(image, extents, held, error))
        return "'" + path + "': " + error;
    std::cout << "Installer '" << path << "'  " << ArchitectureName(layout.architecture) << ", "
              << image.Size() << " bytes\n";
    ListSettings(held);
    PrintVersion(held);
    error = ListFiles(image, layout, extents, held);
    if (!error.empty())
        return "'" + path + "': " + error;
    ListSignature(image);
    ListTag(image);
    return {};
}

} // namespace kitbag
