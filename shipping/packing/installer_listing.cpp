#include "shipping/packing/installer_listing.h"

#include "payload/format/block_unpacking.h"
#include "payload/format/manifest.h"
#include "shipping/pe/resource_tree.h"
#include "shipping/authenticode/signature_info.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/base/files.h"
#include "shipping/base/printable_text.h"
#include "shipping/base/text.h"
#include "shipping/packing/block_compression.h"
#include "shipping/branding/version_branding.h"

#include <iostream>
#include <map>

namespace kitbag {

namespace {

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
    std::uint32_t size = 0;
    MemberResult result = MemberResult::kUnpacked;
};

// Takes each member's outcome and drops its bytes.
class ListingSink : public BlockSink {
public:
    ListingSink(std::uint16_t block, std::map<std::uint32_t, MemberFacts>& members)
        : m_block(block), m_members(members) {}
    bool Begin(const BlockMember&) override { return true; }
    bool Write(const unsigned char*, std::size_t) override { return true; }
    void End(const BlockMember& member, MemberResult result) override {
        m_members.emplace(member.id, MemberFacts{m_block, member.size, result});
    }

private:
    std::uint16_t m_block;
    std::map<std::uint32_t, MemberFacts>& m_members;
};

// Every block among the resources the manifest does not name, unpacked as the installer would,
// to say whether it would succeed.
void ListBlocks(const NameMap& toolkit, const ManifestMap& entries,
                std::map<std::uint32_t, MemberFacts>& members, std::uint64_t& stored) {
    for (const auto& [name, languages] : toolkit) {
        if (name.isString || name.id == 101 || entries.count(name.id) || languages.empty())
            continue;
        const Bytes& bytes = languages.begin()->second.bytes;
        BlockHeader header;
        if (!ReadBlockHeader(bytes.data(), bytes.size(), header)) {
            if (HasBlockMagic(bytes.data(), bytes.size()))
                std::cout << "Block     " << name.id << "  unreadable: the installer would fail "
                          << "on every file in it\n";
            continue;
        }
        std::cout << "Block     " << name.id << "  " << header.members.size() << " files, "
                  << header.UnpackedSize() << " bytes in " << bytes.size() << " (LZMA, dictionary "
                  << DictionaryBytes(header) << " bytes)\n";
        stored += bytes.size();
        // A small block can claim a dictionary of gigabytes, and fill it: the listing unpacks
        // only what kitbag-pack could have written.
        if (DictionaryBytes(header) > kMaxDictionaryBytes) {
            std::cout << "Block     " << name.id << "  not unpacked: its dictionary is larger than "
                      << "kitbag-pack writes (" << kMaxDictionaryBytes << " bytes)\n";
            for (const BlockMember& member : header.members)
                members.emplace(member.id,
                                MemberFacts{name.id, member.size, MemberResult::kNoMemory});
            continue;
        }
        ListingSink sink(name.id, members);
        UnpackBlock(bytes.data(), bytes.size(), header, sink);
    }
}

// The manifest's entries, and whether each has its resource with the size the manifest says
// or is a member of a block that unpacks to it.
std::string ListFiles(const ResourceTree& tree) {
    auto toolkit = tree.find(ResourceName::String("TOOLKIT"));
    if (toolkit == tree.end()) {
        std::cout << "No payload (a payload-free installer)\n";
        return {};
    }
    auto manifest = toolkit->second.find(ResourceName::Id(101));
    if (manifest == toolkit->second.end() || manifest->second.empty())
        return "it carries TOOLKIT resources but no manifest (resource 101)";
    const Bytes& text = manifest->second.begin()->second.bytes;
    ManifestMap entries;
    ParseManifest(std::wstring(text.begin(), text.end()), entries);
    std::map<std::uint32_t, MemberFacts> members;
    std::uint64_t total = 0, stored = 0;
    std::size_t compressed = 0;
    ListBlocks(toolkit->second, entries, members, stored);
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
        } else if (const Bytes& bytes = resource->second.begin()->second.bytes;
                   bytes.size() == entry.m_nSize) {
        } else if (bytes.empty() && member != members.end()) {
            ++compressed;
            std::cout << "  (compressed in block " << member->second.block;
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
            std::cout << "  (the resource holds " << bytes.size()
                      << " bytes: the installer would fail)";
        }
        std::cout << "\n";
        total += entry.m_nSize;
    }
    std::cout << "Payload   " << entries.size() << " files, " << total << " bytes";
    if (compressed != 0)
        std::cout << "; " << compressed << " of them compressed, in blocks of " << stored
                  << " bytes in all";
    std::cout << "\n";
    return {};
}

// The signer, its issuer and the time stamp, from the signature itself.
void ListSignature(const Bytes& image) {
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
void ListTag(const Bytes& image) {
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
    Bytes image;
    PeLayout layout;
    ResourceTree tree;
    std::string error;
    if (!ReadWholeFile(path, image, error))
        return error;
    if (!ParsePe(image, layout, error) || !ReadResources(image, layout, tree, error))
        return "'" + path + "': " + error;
    std::cout << "Installer '" << path << "'  " << ArchitectureName(layout.architecture) << ", "
              << image.size() << " bytes\n";
    ListSettings(tree);
    PrintVersion(tree);
    error = ListFiles(tree);
    if (!error.empty())
        return "'" + path + "': " + error;
    ListSignature(image);
    ListTag(image);
    return {};
}

} // namespace kitbag
