#pragma once
// The version resource (VS_VERSIONINFO): read into its fixed information, string tables and
// translations, written back, and branded with a product's version and names.
#include "shipping/pe/resource_tree.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kitbag {

constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kVersionName = 1;

// A.B.C.D, most significant first.
using FourPartVersion = std::array<std::uint16_t, 4>;

// VS_FIXEDFILEINFO.
struct FixedFileInfo {
    std::uint32_t signature = 0xFEEF04BDu;
    std::uint32_t structVersion = 0x00010000u;
    FourPartVersion fileVersion{};
    FourPartVersion productVersion{};
    std::uint32_t flagsMask = 0;
    std::uint32_t flags = 0;
    std::uint32_t os = 0;
    std::uint32_t type = 0;
    std::uint32_t subtype = 0;
    std::uint32_t dateHigh = 0;
    std::uint32_t dateLow = 0;
};

struct VersionString {
    std::u16string key;
    std::u16string value;
};

// One StringFileInfo table: its key is the language and code page in hex, as "040904b0".
struct VersionStringTable {
    std::u16string key;
    std::vector<VersionString> strings; // in the resource's order
};

// One language and code page of VarFileInfo's Translation.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

struct VersionInfo {
    std::optional<FixedFileInfo> fixed;
    std::vector<VersionStringTable> stringTables;
    std::vector<VersionTranslation> translations;
};

// Reads the bytes of a version resource; false with a reason when they are malformed or hold
// blocks other than StringFileInfo and VarFileInfo's Translation.
bool ReadVersionInfo(const Bytes& bytes, VersionInfo& info, std::string& error);
// Lays info out as a version resource: StringFileInfo, then VarFileInfo when there are
// translations. False when it would exceed the 65535 bytes a block can say it has.
bool WriteVersionInfo(const VersionInfo& info, Bytes& bytes, std::string& error);

// "A.B.C.D": four decimal numbers of 0 to 65535 and nothing else.
bool ParseFourPartVersion(const std::string& text, FourPartVersion& version, std::string& error);
std::string FormatFourPartVersion(const FourPartVersion& version);

// What a product changes in the installer's version resource; what is not given keeps the
// stub's value. Texts are UTF-8.
struct VersionBranding {
    std::optional<FourPartVersion> version;      // the fixed file and product versions and strings
    std::optional<std::string> company;          // CompanyName
    std::optional<std::string> description;      // FileDescription
    std::optional<std::string> copyright;        // LegalCopyright
    std::optional<std::string> productName;      // ProductName
    std::optional<std::string> originalFilename; // OriginalFilename
};

// Applies branding to every language of the version resource and to every string table in
// it (a missing string is added). The tree is left as it was when this fails.
bool ApplyVersionBranding(ResourceTree& tree, const VersionBranding& branding, std::string& error);

// What a listing shows of the version resource (its first language), in UTF-8.
struct VersionListing {
    std::string fileVersion; // A.B.C.D; both empty when there is no fixed information
    std::string productVersion;
    struct Entry {
        std::string table; // the string table's key
        std::string key;
        std::string value;
    };
    std::vector<Entry> strings;
};

// False with a reason when the tree has no version resource or it is malformed.
bool ListVersion(const ResourceTree& tree, VersionListing& listing, std::string& error);

} // namespace kitbag
