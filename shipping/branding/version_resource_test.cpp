#include "shipping/branding/version_branding.h"
#include "shipping/branding/version_resource.h"
#include "ui/version_resource.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

// The stub's version resource as windres compiles res/KitbagInstaller.rc (the same bytes as
// in the built stub).
const Bytes kStubVersion = {
    0xdc, 0x02, 0x34, 0x00, 0x00, 0x00, 0x56, 0x00, 0x53, 0x00, 0x5f, 0x00, 0x56, 0x00, 0x45, 0x00,
    0x52, 0x00, 0x53, 0x00, 0x49, 0x00, 0x4f, 0x00, 0x4e, 0x00, 0x5f, 0x00, 0x49, 0x00, 0x4e, 0x00,
    0x46, 0x00, 0x4f, 0x00, 0x00, 0x00, 0x00, 0x00, 0xbd, 0x04, 0xef, 0xfe, 0x00, 0x00, 0x01, 0x00,
    0x08, 0x00, 0x01, 0x00, 0x66, 0x01, 0x02, 0x00, 0x08, 0x00, 0x01, 0x00, 0x66, 0x01, 0x02, 0x00,
    0x3f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3c, 0x02, 0x00, 0x00,
    0x01, 0x00, 0x53, 0x00, 0x74, 0x00, 0x72, 0x00, 0x69, 0x00, 0x6e, 0x00, 0x67, 0x00, 0x46, 0x00,
    0x69, 0x00, 0x6c, 0x00, 0x65, 0x00, 0x49, 0x00, 0x6e, 0x00, 0x66, 0x00, 0x6f, 0x00, 0x00, 0x00,
    0x18, 0x02, 0x00, 0x00, 0x01, 0x00, 0x30, 0x00, 0x34, 0x00, 0x30, 0x00, 0x39, 0x00, 0x30, 0x00,
    0x34, 0x00, 0x62, 0x00, 0x30, 0x00, 0x00, 0x00, 0x2e, 0x00, 0x07, 0x00, 0x01, 0x00, 0x43, 0x00,
    0x6f, 0x00, 0x6d, 0x00, 0x70, 0x00, 0x61, 0x00, 0x6e, 0x00, 0x79, 0x00, 0x4e, 0x00, 0x61, 0x00,
    0x6d, 0x00, 0x65, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00,
    0x61, 0x00, 0x67, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4a, 0x00, 0x11, 0x00, 0x01, 0x00, 0x46, 0x00,
    0x69, 0x00, 0x6c, 0x00, 0x65, 0x00, 0x44, 0x00, 0x65, 0x00, 0x73, 0x00, 0x63, 0x00, 0x72, 0x00,
    0x69, 0x00, 0x70, 0x00, 0x74, 0x00, 0x69, 0x00, 0x6f, 0x00, 0x6e, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00, 0x61, 0x00, 0x67, 0x00, 0x20, 0x00, 0x49, 0x00,
    0x6e, 0x00, 0x73, 0x00, 0x74, 0x00, 0x61, 0x00, 0x6c, 0x00, 0x6c, 0x00, 0x65, 0x00, 0x72, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x34, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x46, 0x00, 0x69, 0x00, 0x6c, 0x00,
    0x65, 0x00, 0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x73, 0x00, 0x69, 0x00, 0x6f, 0x00, 0x6e, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x31, 0x00, 0x2e, 0x00, 0x38, 0x00, 0x2e, 0x00, 0x32, 0x00, 0x2e, 0x00,
    0x33, 0x00, 0x35, 0x00, 0x38, 0x00, 0x00, 0x00, 0x40, 0x00, 0x10, 0x00, 0x01, 0x00, 0x49, 0x00,
    0x6e, 0x00, 0x74, 0x00, 0x65, 0x00, 0x72, 0x00, 0x6e, 0x00, 0x61, 0x00, 0x6c, 0x00, 0x4e, 0x00,
    0x61, 0x00, 0x6d, 0x00, 0x65, 0x00, 0x00, 0x00, 0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00,
    0x61, 0x00, 0x67, 0x00, 0x49, 0x00, 0x6e, 0x00, 0x73, 0x00, 0x74, 0x00, 0x61, 0x00, 0x6c, 0x00,
    0x6c, 0x00, 0x65, 0x00, 0x72, 0x00, 0x00, 0x00, 0x58, 0x00, 0x1a, 0x00, 0x01, 0x00, 0x4c, 0x00,
    0x65, 0x00, 0x67, 0x00, 0x61, 0x00, 0x6c, 0x00, 0x43, 0x00, 0x6f, 0x00, 0x70, 0x00, 0x79, 0x00,
    0x72, 0x00, 0x69, 0x00, 0x67, 0x00, 0x68, 0x00, 0x74, 0x00, 0x00, 0x00, 0x43, 0x00, 0x6f, 0x00,
    0x70, 0x00, 0x79, 0x00, 0x72, 0x00, 0x69, 0x00, 0x67, 0x00, 0x68, 0x00, 0x74, 0x00, 0x20, 0x00,
    0x28, 0x00, 0x43, 0x00, 0x29, 0x00, 0x20, 0x00, 0x32, 0x00, 0x30, 0x00, 0x32, 0x00, 0x36, 0x00,
    0x20, 0x00, 0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00, 0x61, 0x00, 0x67, 0x00, 0x00, 0x00,
    0x50, 0x00, 0x14, 0x00, 0x01, 0x00, 0x4f, 0x00, 0x72, 0x00, 0x69, 0x00, 0x67, 0x00, 0x69, 0x00,
    0x6e, 0x00, 0x61, 0x00, 0x6c, 0x00, 0x46, 0x00, 0x69, 0x00, 0x6c, 0x00, 0x65, 0x00, 0x6e, 0x00,
    0x61, 0x00, 0x6d, 0x00, 0x65, 0x00, 0x00, 0x00, 0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00,
    0x61, 0x00, 0x67, 0x00, 0x49, 0x00, 0x6e, 0x00, 0x73, 0x00, 0x74, 0x00, 0x61, 0x00, 0x6c, 0x00,
    0x6c, 0x00, 0x65, 0x00, 0x72, 0x00, 0x2e, 0x00, 0x65, 0x00, 0x78, 0x00, 0x65, 0x00, 0x00, 0x00,
    0x2e, 0x00, 0x07, 0x00, 0x01, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6f, 0x00, 0x64, 0x00, 0x75, 0x00,
    0x63, 0x00, 0x74, 0x00, 0x4e, 0x00, 0x61, 0x00, 0x6d, 0x00, 0x65, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x4b, 0x00, 0x69, 0x00, 0x74, 0x00, 0x62, 0x00, 0x61, 0x00, 0x67, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x38, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6f, 0x00, 0x64, 0x00, 0x75, 0x00,
    0x63, 0x00, 0x74, 0x00, 0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x73, 0x00, 0x69, 0x00, 0x6f, 0x00,
    0x6e, 0x00, 0x00, 0x00, 0x31, 0x00, 0x2e, 0x00, 0x38, 0x00, 0x2e, 0x00, 0x32, 0x00, 0x2e, 0x00,
    0x33, 0x00, 0x35, 0x00, 0x38, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00, 0x01, 0x00, 0x56, 0x00,
    0x61, 0x00, 0x72, 0x00, 0x46, 0x00, 0x69, 0x00, 0x6c, 0x00, 0x65, 0x00, 0x49, 0x00, 0x6e, 0x00,
    0x66, 0x00, 0x6f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x24, 0x00, 0x04, 0x00, 0x00, 0x00, 0x54, 0x00,
    0x72, 0x00, 0x61, 0x00, 0x6e, 0x00, 0x73, 0x00, 0x6c, 0x00, 0x61, 0x00, 0x74, 0x00, 0x69, 0x00,
    0x6f, 0x00, 0x6e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x04, 0xb0, 0x04};

VersionInfo Read(const Bytes& bytes) {
    VersionInfo info;
    std::string error;
    EXPECT_TRUE(ReadVersionInfo(bytes, info, error)) << error;
    return info;
}

Bytes Write(const VersionInfo& info) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(WriteVersionInfo(info, bytes, error)) << error;
    return bytes;
}

ResourceTree TreeWith(const Bytes& version, std::uint16_t language = 0x409) {
    ResourceTree tree;
    tree[ResourceName::Id(kVersionType)][ResourceName::Id(kVersionName)][language].bytes = version;
    return tree;
}

const Bytes& VersionOf(const ResourceTree& tree, std::uint16_t language = 0x409) {
    return tree.at(ResourceName::Id(kVersionType))
        .at(ResourceName::Id(kVersionName))
        .at(language)
        .bytes;
}

std::u16string Value(const VersionStringTable& table, const std::u16string& key) {
    for (const VersionString& s : table.strings)
        if (s.key == key)
            return s.value;
    return u"(missing)";
}

TEST(VersionInfo, TheStubsResourceReadsAsItsScriptSaysAndWritesBackByteForByte) {
    const VersionInfo info = Read(kStubVersion);
    ASSERT_TRUE(info.fixed);
    EXPECT_EQ(info.fixed->fileVersion, (FourPartVersion{1, 8, 2, 358}));
    EXPECT_EQ(info.fixed->productVersion, (FourPartVersion{1, 8, 2, 358}));
    EXPECT_EQ(info.fixed->flagsMask, 0x3Fu);
    EXPECT_EQ(info.fixed->flags, 0u);
    EXPECT_EQ(info.fixed->os, 0x40004u); // VOS_NT_WINDOWS32
    EXPECT_EQ(info.fixed->type, 1u);     // VFT_APP
    ASSERT_EQ(info.stringTables.size(), 1u);
    EXPECT_EQ(info.stringTables[0].key, u"040904b0");
    std::vector<std::u16string> keys;
    for (const VersionString& s : info.stringTables[0].strings)
        keys.push_back(s.key);
    EXPECT_EQ(keys,
              (std::vector<std::u16string>{u"CompanyName", u"FileDescription", u"FileVersion",
                                           u"InternalName", u"LegalCopyright", u"OriginalFilename",
                                           u"ProductName", u"ProductVersion"}));
    EXPECT_EQ(Value(info.stringTables[0], u"FileDescription"), u"Kitbag Installer");
    EXPECT_EQ(Value(info.stringTables[0], u"LegalCopyright"), u"Copyright (C) 2026 Kitbag");
    ASSERT_EQ(info.translations.size(), 1u);
    EXPECT_EQ(info.translations[0].language, 0x409);
    EXPECT_EQ(info.translations[0].codePage, 1200);
    EXPECT_EQ(Write(info), kStubVersion);

    VersionListing listing;
    std::string error;
    ASSERT_TRUE(ListVersion(TreeWith(kStubVersion), listing, error)) << error;
    EXPECT_EQ(listing.fileVersion, "1.8.2.358");
    EXPECT_EQ(listing.productVersion, "1.8.2.358");
    ASSERT_EQ(listing.strings.size(), 8u);
    EXPECT_EQ(listing.strings[0].table, "040904b0");
    EXPECT_EQ(listing.strings[0].key, "CompanyName");
    EXPECT_EQ(listing.strings[0].value, "Kitbag");
    EXPECT_FALSE(ListVersion(ResourceTree{}, listing, error));
    EXPECT_NE(error.find("no version resource"), std::string::npos) << error;
}

TEST(VersionInfo, BrandingChangesWhatIsGivenInEveryLanguageAndKeepsTheRest) {
    ResourceTree tree = TreeWith(kStubVersion);
    tree[ResourceName::Id(kVersionType)][ResourceName::Id(kVersionName)][0x407].bytes =
        kStubVersion;
    VersionBranding branding;
    branding.version = FourPartVersion{2, 0, 65535, 7};
    branding.company = "Acme \xC3\x84pfel \xF0\x9F\x8D\x8F"; // "Acme Äpfel" and U+1F34F
    branding.description = "";
    branding.productName = "Acme Orchard Manager";
    branding.copyright = "\xC2\xA9 2031 Acme";
    std::string error;
    ASSERT_TRUE(ApplyVersionBranding(tree, branding, error)) << error;
    for (std::uint16_t language : {0x407, 0x409}) {
        const Bytes& bytes = VersionOf(tree, language);
        const VersionInfo info = Read(bytes);
        EXPECT_EQ(Write(info), bytes) << "the written lengths and padding read back as written";
        ASSERT_TRUE(info.fixed);
        EXPECT_EQ(info.fixed->fileVersion, (FourPartVersion{2, 0, 65535, 7}));
        EXPECT_EQ(info.fixed->productVersion, (FourPartVersion{2, 0, 65535, 7}));
        EXPECT_EQ(info.fixed->os, 0x40004u);
        const VersionStringTable& table = info.stringTables.at(0);
        EXPECT_EQ(table.strings.size(), 8u);
        EXPECT_EQ(Value(table, u"CompanyName"), u"Acme \u00C4pfel \U0001F34F");
        EXPECT_EQ(Value(table, u"FileDescription"), u"");
        EXPECT_EQ(Value(table, u"ProductName"), u"Acme Orchard Manager");
        EXPECT_EQ(Value(table, u"FileVersion"), u"2.0.65535.7");
        EXPECT_EQ(Value(table, u"ProductVersion"), u"2.0.65535.7");
        EXPECT_EQ(Value(table, u"LegalCopyright"), u"\u00A9 2031 Acme");
        EXPECT_EQ(Value(table, u"OriginalFilename"), u"KitbagInstaller.exe");
        EXPECT_EQ(Value(table, u"InternalName"), u"KitbagInstaller");

        // What the installer's about box reads of it.
        VersionFacts facts;
        ASSERT_TRUE(ReadVersionFacts(bytes.data(), bytes.size(), facts));
        EXPECT_EQ(std::vector<std::uint16_t>(facts.fileVersion, facts.fileVersion + 4),
                  (std::vector<std::uint16_t>{2, 0, 65535, 7}));
        EXPECT_EQ(facts.legalCopyright, u"\u00A9 2031 Acme");
    }

    // A string the resource lacks is added; nothing asked leaves the bytes alone.
    VersionInfo lacking = Read(kStubVersion);
    lacking.stringTables[0].strings.erase(lacking.stringTables[0].strings.begin() + 5);
    tree = TreeWith(Write(lacking));
    const ResourceTree before = tree;
    ASSERT_TRUE(ApplyVersionBranding(tree, VersionBranding{}, error)) << error;
    EXPECT_EQ(VersionOf(tree), VersionOf(before));
    branding = {};
    branding.originalFilename = "acme-setup.exe";
    ASSERT_TRUE(ApplyVersionBranding(tree, branding, error)) << error;
    const VersionInfo added = Read(VersionOf(tree));
    EXPECT_EQ(added.stringTables[0].strings.back().key, u"OriginalFilename");
    EXPECT_EQ(added.stringTables[0].strings.back().value, u"acme-setup.exe");
}

TEST(VersionInfo, BrandingRefusesWhatItCannotWriteAndLeavesTheTreeAsItWas) {
    Bytes malformed = kStubVersion;
    WriteU16(malformed, 0, 0x2E0); // a length past the end
    ResourceTree twoLanguages = TreeWith(kStubVersion);
    twoLanguages[ResourceName::Id(kVersionType)][ResourceName::Id(kVersionName)][0x40C].bytes =
        malformed;
    const FourPartVersion version{1, 2, 3, 4};
    const struct {
        const char* what;
        VersionBranding branding;
        ResourceTree tree;
        const char* reason;
    } rows[] = {
        {"malformed UTF-8",
         {{}, "Acme \xC3", {}, {}, {}, {}},
         TreeWith(kStubVersion),
         "not valid UTF-8"},
        {"a NUL", {{}, {}, {}, std::string("a\0b", 3), {}, {}}, TreeWith(kStubVersion), "NUL"},
        {"no resource", {version, {}, {}, {}, {}, {}}, ResourceTree{}, "no version resource"},
        {"a malformed language", {version, {}, {}, {}, {}, {}}, twoLanguages, "past the end"},
        {"too long",
         {{}, {}, std::string(40000, 'x'), {}, {}, {}},
         TreeWith(kStubVersion),
         "65535 bytes"},
    };
    for (const auto& row : rows) {
        ResourceTree tree = row.tree;
        std::string error;
        EXPECT_FALSE(ApplyVersionBranding(tree, row.branding, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
        EXPECT_EQ(BuildResourceSection(tree, 0), BuildResourceSection(row.tree, 0)) << row.what;
    }
}

TEST(VersionInfo, MalformedResourcesAreRefusedWithAReason) {
    // Offsets in kStubVersion: StringFileInfo at 0x5C, its table at 0x80, CompanyName at
    // 0x98 (value from 0xB8), VarFileInfo at 0x298, Translation at 0x2B8.
    const struct {
        const char* what;
        std::size_t at;
        std::uint16_t value;
        bool byte;
        const char* reason;
    } rows[] = {
        {"the whole length past the end", 0, 0x2E0, false, "past the end of its parent"},
        {"an odd length", 0, 0x2DB, false, "which no block can have"},
        {"another key", 6, 'X', true, "VS_VERSION_INFO block"},
        {"a short fixed part", 2, 48, false, "fixed file information has 48 bytes"},
        {"a wrong signature", 0x28, 0xBE, true, "signature"},
        {"a child past its parent", 0x5C, 0x300, false, "past the end of its parent"},
        {"a table past StringFileInfo", 0x80, 0x21A, false, "past the end of its parent"},
        {"StringFileInfo with a value", 0x5E, 4, false, "has a value"},
        {"a string table with a value", 0x82, 2, false, "has a value"},
        {"a string value past its block", 0x9A, 40, false, "runs past the end of its block"},
        {"a string with more after its NUL", 0xBE, 0, false, "holds more than its value"},
        {"an unknown block", 0x29E, 'W', true, "unknown block 'WarFileInfo'"},
        {"another variable", 0x2BE, 'X', true, "other than Translation"},
        {"a translation of odd length", 0x2BA, 6, false, "not whole pairs"},
        {"a translation past its block", 0x2BA, 8, false, "runs past its block"},
    };
    for (const auto& row : rows) {
        Bytes bad = kStubVersion;
        if (row.byte)
            bad[row.at] = static_cast<std::uint8_t>(row.value);
        else
            WriteU16(bad, row.at, row.value);
        VersionInfo info;
        std::string error;
        EXPECT_FALSE(ReadVersionInfo(bad, info, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }
    const struct {
        const char* what;
        Bytes bytes;
        const char* reason;
    } whole[] = {
        {"nothing", {}, "past the end"},
        {"a key without its NUL",
         {10, 0, 0, 0, 0, 0, 'V', 0, 'S', 0},
         "not ended within the block"},
        {"data after the resource",
         [] {
             Bytes b = kStubVersion;
             b.push_back(1);
             return b;
         }(),
         "other than padding"},
    };
    for (const auto& row : whole) {
        VersionInfo info;
        std::string error;
        EXPECT_FALSE(ReadVersionInfo(row.bytes, info, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }
    Bytes padded = kStubVersion;
    padded.resize(padded.size() + 4, 0);
    EXPECT_EQ(Write(Read(padded)), kStubVersion) << "zero padding after the resource is allowed";
}

TEST(VersionInfo, ACutResourceIsReadWithinItsBytesOrRefused) {
    // The resource cut short at every length, its outer length saying so: each inner block
    // is checked against the bytes that remain.
    for (std::size_t size = 0; size < kStubVersion.size(); size += 2) {
        Bytes cut(kStubVersion.begin(), kStubVersion.begin() + size);
        if (size >= 2)
            WriteU16(cut, 0, static_cast<std::uint16_t>(size));
        VersionInfo info;
        std::string error;
        if (ReadVersionInfo(cut, info, error))
            EXPECT_TRUE(ReadVersionInfo(Write(info), info, error)) << size << ": " << error;
        else
            EXPECT_FALSE(error.empty()) << size;
    }
}

} // namespace
} // namespace kitbag
