#pragma once
// The version resource (VS_VERSIONINFO): read into its fixed information, string tables and
// translations, and written back.
#include "shipping/base/bytes.h"
#include "shipping/branding/four_part_version.h"

#include <optional>
#include <string>
#include <vector>

namespace kitbag {

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

} // namespace kitbag
