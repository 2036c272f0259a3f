#pragma once
// The installer's version resource within its resources: branded with a product's version and
// names in every language, and listed as its first language says.
#include "shipping/branding/four_part_version.h"
#include "shipping/pe/resource_tree.h"

#include <optional>
#include <string>
#include <vector>

namespace kitbag {

// Where the version resource sits in the tree: type 16 (RT_VERSION), name 1.
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kVersionName = 1;

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
