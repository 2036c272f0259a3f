#include "shipping/programs/pack_settings.h"

#include "shipping/base/files.h"
#include "shipping/base/text.h"
#include "shipping/branding/four_part_version.h"
#include "shipping/branding/icon_file.h"
#include "shipping/branding/splash_bitmap.h"
#include "shipping/base/utf8_system.h"

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace kitbag {

namespace {

// An icon file of the largest images Windows shows, and the splash picture's one size, each
// with room to spare.
constexpr std::uint64_t kMaxIconFileBytes = 16 << 20;
constexpr std::uint64_t kMaxSplashFileBytes = 1 << 20;

constexpr std::uint16_t kIdProgramType = 0, kIdTitle = 1, kIdDiskMb = 103, kIdDotnetFirst = 138,
                        kIdAdminInstall = 145, kIdProgramName = 201;

} // namespace

bool ReadSettings(const PackOptions& options, StringSettings& settings, std::string& error) {
    auto ascii = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
    if (options.Has("--program-type")) {
        std::string type = options.Get("--program-type");
        if (type != "AnyCPU" && type != "x86" && type != "x64" && type != "x32Only") {
            error = "--program-type is one of AnyCPU, x86, x64, x32Only";
            return false;
        }
        settings[kIdProgramType] = ascii(type);
    }
    for (auto [option, id] : {std::pair<const char*, std::uint16_t>{"--title", kIdTitle},
                              {"--program-name", kIdProgramName}}) {
        if (!options.Has(option))
            continue;
        auto text = Utf8ToUtf16(options.Get(option));
        if (!text || text->empty() || text->size() > 1000) {
            error = std::string(option) + " needs 1 to 1000 characters of UTF-8 text";
            return false;
        }
        settings[id] = *text;
    }
    if (options.Has("--disk-mb")) {
        auto mb = ParseInt32(options.Get("--disk-mb"));
        if (!mb || *mb < 0) {
            error = "--disk-mb is a number of megabytes from 0 to 2147483647";
            return false;
        }
        settings[kIdDiskMb] = ascii(std::to_string(*mb));
    }
    if (options.Has("--dotnet")) {
        std::string list = options.Get("--dotnet") + ",";
        std::vector<std::int32_t> entries;
        for (std::size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos;
             at = comma + 1) {
            auto entry = ParseInt32(list.substr(at, comma - at));
            if (!entry) {
                entries.clear();
                break;
            }
            entries.push_back(*entry);
        }
        if (entries.size() != 7) {
            error = "--dotnet takes seven numbers separated by commas (2.0, 3.0, 3.5, 4.0 "
                    "client, 4.0 full, 4.5 client, 4.5 full; -1 refuses a version)";
            return false;
        }
        for (std::uint16_t i = 0; i < 7; ++i)
            settings[kIdDotnetFirst + i] = ascii(std::to_string(entries[i]));
    }
    if (options.Has("--admin-install")) {
        std::string admin = options.Get("--admin-install");
        if (admin != "0" && admin != "1") {
            error = "--admin-install is 0 or 1";
            return false;
        }
        settings[kIdAdminInstall] = ascii(admin);
    }
    return true;
}

bool ReadBranding(const PackOptions& options, VersionBranding& branding, std::string& error) {
    if (options.Has("--product-version")) {
        FourPartVersion version;
        if (!ParseFourPartVersion(options.Get("--product-version"), version, error)) {
            error = "--product-version: " + error;
            return false;
        }
        branding.version = version;
    }
    for (auto [option, field] :
         {std::pair<const char*, std::optional<std::string> VersionBranding::*>{
              "--company", &VersionBranding::company},
          {"--description", &VersionBranding::description},
          {"--copyright", &VersionBranding::copyright},
          {"--title", &VersionBranding::productName}})
        if (options.Has(option))
            branding.*field = options.Get(option);
    if (options.Has("-o"))
        branding.originalFilename = Utf8Of(PathOf(options.Get("-o")).filename());
    return true;
}

bool ApplyArtwork(const PackOptions& options, ResourceTree& tree, std::string& error) {
    Bytes file;
    if (options.Has("--icon")) {
        std::vector<IconImage> images;
        if (!ReadWholeFile(options.Get("--icon"), file, error, kMaxIconFileBytes) ||
            !ReadIconFile(file, images, error) || !ReplaceIconGroup(tree, images, error)) {
            error = "--icon '" + options.Get("--icon") + "': " + error;
            return false;
        }
    }
    if (options.Has("--splash")) {
        if (!ReadWholeFile(options.Get("--splash"), file, error, kMaxSplashFileBytes) ||
            !SetSplashBitmap(tree, file, error)) {
            error = "--splash '" + options.Get("--splash") + "': " + error;
            return false;
        }
    }
    return true;
}

} // namespace kitbag
