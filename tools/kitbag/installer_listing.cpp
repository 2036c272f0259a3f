#include "tools/kitbag/installer_listing.h"

#include "payload/compressed_payload.h"
#include "payload/manifest.h"
#include "tools/kitbag/resource_tree.h"
#include "tools/kitbag/signature_info.h"
#include "tools/kitbag/signature_tag.h"
#include "tools/kitbag/tool_support.h"
#include "tools/kitbag/version_resource.h"

#include <iostream>

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
                  << Utf16ToUtf8(GetTableString(tree, setting.id)) << "'\n";
}

// The manifest's entries, and whether each has its resource with the size the manifest says
// or, compressed, one that unpacks to it.
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
    std::uint64_t total = 0, stored = 0;
    std::size_t compressed = 0;
    for (const auto& [id, entry] : entries) {
        std::string name(entry.m_strFileName.begin(), entry.m_strFileName.end());
        std::wstring lower = entry.m_strFileName;
        IsProgramName(lower);
        std::cout << "File      " << id << "  " << name << "  " << entry.m_nSize
                  << " bytes, written as '" << std::string(lower.begin(), lower.end()) << "'";
        auto resource = id <= 0xFFFF
                            ? toolkit->second.find(ResourceName::Id(static_cast<std::uint16_t>(id)))
                            : toolkit->second.end();
        if (resource == toolkit->second.end() || resource->second.empty()) {
            std::cout << "  (missing: the installer would fail)";
        } else if (const Bytes& bytes = resource->second.begin()->second.bytes;
                   IsCompressedResource(bytes.data(), bytes.size(), entry.m_nSize)) {
            ++compressed;
            stored += bytes.size();
            std::cout << "  (compressed, " << bytes.size() << " bytes stored";
            // Unpacked as the installer would, to say whether it would succeed.
            std::uint64_t written = 0;
            const UnpackResult unpacked = UnpackCompressed(
                bytes.data(), bytes.size(), entry.m_nSize,
                [](const unsigned char*, std::size_t) { return true; }, written);
            if (unpacked != UnpackResult::kUnpacked) {
                const std::wstring why = DescribeUnpackResult(unpacked);
                std::cout << ", but " << std::string(why.begin(), why.end())
                          << ": the installer would fail";
            }
            std::cout << ")";
        } else if (bytes.size() != entry.m_nSize) {
            std::cout << "  (the resource holds " << bytes.size()
                      << " bytes: the installer would fail)";
        }
        std::cout << "\n";
        total += entry.m_nSize;
    }
    std::cout << "Payload   " << entries.size() << " files, " << total << " bytes";
    if (compressed != 0)
        std::cout << "; " << compressed << " of them compressed, stored in " << stored << " bytes";
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
    if (printable)
        std::cout << ":\n" << text << (text.empty() || text.back() == '\n' ? "" : "\n");
    else
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
        std::cout << "Version   " << entry.key << "  '" << entry.value << "'\n";
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
