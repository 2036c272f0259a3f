#include "shipping/branding/version_branding.h"

#include "shipping/base/text.h"
#include "shipping/branding/version_resource.h"

namespace kitbag {

namespace {

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// The languages of the version resource, or null when the tree has none.
template <typename Tree>
auto FindVersion(Tree& tree) -> decltype(&tree.begin()->second.begin()->second) {
    auto type = tree.find(ResourceName::Id(kVersionType));
    if (type == tree.end())
        return nullptr;
    auto name = type->second.find(ResourceName::Id(kVersionName));
    return name == type->second.end() || name->second.empty() ? nullptr : &name->second;
}

constexpr const char* kNoVersion = "there is no version resource (type 16, name 1)";

void SetString(VersionStringTable& table, const std::u16string& key, const std::u16string& value) {
    bool found = false;
    for (VersionString& s : table.strings)
        if (s.key == key) {
            s.value = value;
            found = true;
        }
    if (!found)
        table.strings.push_back({key, value});
}

} // namespace

bool ApplyVersionBranding(ResourceTree& tree, const VersionBranding& branding, std::string& error) {
    std::vector<VersionString> strings;
    const struct {
        const std::optional<std::string>& text;
        const char16_t* key;
        const char* what;
    } texts[] = {
        {branding.company, u"CompanyName", "the company name"},
        {branding.description, u"FileDescription", "the file description"},
        {branding.copyright, u"LegalCopyright", "the copyright"},
        {branding.productName, u"ProductName", "the product name"},
        {branding.originalFilename, u"OriginalFilename", "the original file name"},
    };
    for (const auto& t : texts) {
        if (!t.text)
            continue;
        std::optional<std::u16string> wide = Utf8ToUtf16(*t.text);
        if (!wide) {
            error = std::string(t.what) + " is not valid UTF-8";
            return false;
        }
        if (wide->find(u'\0') != std::u16string::npos) {
            error = std::string(t.what) + " holds a NUL character";
            return false;
        }
        strings.push_back({t.key, *wide});
    }
    if (branding.version) {
        const std::u16string text = Widen(FormatFourPartVersion(*branding.version));
        strings.push_back({u"FileVersion", text});
        strings.push_back({u"ProductVersion", text});
    }
    if (strings.empty())
        return true;

    LanguageMap* languages = FindVersion(tree);
    if (!languages) {
        error = kNoVersion;
        return false;
    }
    LanguageMap branded = *languages;
    for (auto& [language, data] : branded) {
        VersionInfo info;
        if (!ReadVersionInfo(data.bytes, info, error)) {
            error = "the version resource: " + error;
            return false;
        }
        if (branding.version) {
            if (!info.fixed)
                info.fixed.emplace();
            info.fixed->fileVersion = *branding.version;
            info.fixed->productVersion = *branding.version;
        }
        if (info.stringTables.empty()) {
            // The resource's own language in Unicode (code page 1200).
            static const char hex[] = "0123456789abcdef";
            std::u16string key;
            for (int shift = 12; shift >= 0; shift -= 4)
                key.push_back(static_cast<char16_t>(hex[(language >> shift) & 0xF]));
            info.stringTables.push_back({key + u"04b0", {}});
            if (info.translations.empty())
                info.translations.push_back({language, 1200});
        }
        for (VersionStringTable& table : info.stringTables)
            for (const VersionString& s : strings)
                SetString(table, s.key, s.value);
        if (!WriteVersionInfo(info, data.bytes, error)) {
            error = "the version resource: " + error;
            return false;
        }
    }
    *languages = std::move(branded);
    return true;
}

bool ListVersion(const ResourceTree& tree, VersionListing& listing, std::string& error) {
    listing = {};
    const LanguageMap* languages = FindVersion(tree);
    if (!languages) {
        error = kNoVersion;
        return false;
    }
    VersionInfo info;
    if (!ReadVersionInfo(languages->begin()->second.bytes, info, error)) {
        error = "the version resource: " + error;
        return false;
    }
    if (info.fixed) {
        listing.fileVersion = FormatFourPartVersion(info.fixed->fileVersion);
        listing.productVersion = FormatFourPartVersion(info.fixed->productVersion);
    }
    for (const VersionStringTable& table : info.stringTables)
        for (const VersionString& s : table.strings)
            listing.strings.push_back(
                {Utf16ToUtf8(table.key), Utf16ToUtf8(s.key), Utf16ToUtf8(s.value)});
    return true;
}

} // namespace kitbag
