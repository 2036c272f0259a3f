// kitbag-pack: turns a product's folder into an installer, written into the payload-free
// installer build (the stub) as TOOLKIT resources with the settings in its string table.
#include "tools/kitbag/icon_file.h"
#include "tools/kitbag/installer_listing.h"
#include "tools/kitbag/output_check.h"
#include "tools/kitbag/pack_options.h"
#include "tools/kitbag/payload_compression.h"
#include "tools/kitbag/payload_folder.h"
#include "tools/kitbag/payload_plan.h"
#include "tools/kitbag/resource_section.h"
#include "tools/kitbag/signing.h"
#include "tools/kitbag/splash_bitmap.h"
#include "tools/kitbag/tool_support.h"
#include "tools/kitbag/version_resource.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>

namespace fs = std::filesystem;
using namespace kitbag;

namespace {

constexpr std::uint16_t kIdProgramType = 0, kIdTitle = 1, kIdDiskMb = 103, kIdDotnetFirst = 138,
                        kIdAdminInstall = 145, kIdProgramName = 201;

// The string-table settings the options ask for, checked.
bool Settings(const PackOptions& options, std::map<std::uint16_t, std::u16string>& settings,
              std::string& error) {
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

// The version resource's texts the options ask for; the product's title is its ProductName
// and the output's file name its OriginalFilename.
bool Branding(const PackOptions& options, VersionBranding& branding, std::string& error) {
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
        branding.originalFilename = fs::path(options.Get("-o")).filename().string();
    return true;
}

// The icon and the splash picture, read from their files into the tree.
bool Artwork(const PackOptions& options, ResourceTree& tree, std::string& error) {
    Bytes file;
    if (options.Has("--icon")) {
        std::vector<IconImage> images;
        if (!ReadWholeFile(options.Get("--icon"), file, error) ||
            !ReadIconFile(file, images, error) || !ReplaceIconGroup(tree, images, error)) {
            error = "--icon '" + options.Get("--icon") + "': " + error;
            return false;
        }
    }
    if (options.Has("--splash")) {
        if (!ReadWholeFile(options.Get("--splash"), file, error) ||
            !SetSplashBitmap(tree, file, error)) {
            error = "--splash '" + options.Get("--splash") + "': " + error;
            return false;
        }
    }
    return true;
}

// The payload-free installer beside this program, else the one the build names for that
// architecture. Either may be of the other architecture; the caller checks.
std::string DefaultStub(const char* self, const std::string& architecture) {
    fs::path beside = fs::path(self).parent_path() / "KitbagInstaller-stub.exe";
    std::error_code ignored;
    if (fs::is_regular_file(beside, ignored))
        return beside.string();
    return architecture == "x64" ? KITBAG_DEFAULT_STUB_X64 : KITBAG_DEFAULT_STUB_X86;
}

// The stub's own architecture must be the one asked for; without --arch, a named stub's own
// counts, and the default is x86.
bool CheckArchitecture(const PackOptions& options, const std::string& stub, const PeLayout& layout,
                       std::string& error) {
    const std::string own = ArchitectureName(layout.architecture);
    const std::string wanted = options.Has("--arch")   ? options.Get("--arch")
                               : options.Has("--stub") ? own
                                                       : "x86";
    if (own == wanted)
        return true;
    error = "the stub '" + stub + "' is an " + own + " installer, not " + wanted +
            (options.Has("--stub") ? "" : "; name the " + wanted + " stub with --stub");
    return false;
}

void PrintSettings(const std::map<std::uint16_t, std::u16string>& settings) {
    for (const auto& [id, text] : settings)
        std::cout << "Setting   " << id << "  '" << Utf16ToUtf8(text) << "'\n";
}

void PrintFile(const PlannedFile& file) {
    std::cout << "File      " << file.id << "  " << file.name << "  " << file.size
              << " bytes, written as '" << LowerAscii(file.name) << "'\n";
}

std::string Pack(const PackOptions& options, const char* self) {
    std::string error;
    std::map<std::uint16_t, std::u16string> settings;
    std::vector<PayloadFile> files;
    std::vector<std::string> emptyFolders;
    PayloadPlan plan;
    VersionBranding branding;
    const char* const inputFiles[] = {"--stub",      "--sign-cert", "--sign-key", "--pkcs12",
                                      "--pass-file", "--icon",      "--splash"};
    for (const char* file : inputFiles)
        if (options.Has(file) && !CheckInputFile(options.Get(file), error))
            return std::string(file) + " " + error;
    if (!Settings(options, settings, error) || !Branding(options, branding, error) ||
        !ListFolder(options.Get("--payload"), files, emptyFolders, error) ||
        !PlanPayload(files, options.Get("--program"), plan, error))
        return error;
    for (const std::string& empty : emptyFolders)
        std::cerr << "kitbag-pack: note: the empty folder '" << empty
                  << "' is left out; the installer makes only folders that hold files\n";

    std::string stub =
        options.Has("--stub") ? options.Get("--stub") : DefaultStub(self, options.Get("--arch"));
    fs::path folder = options.Get("--payload");
    std::vector<std::string> inputs = {stub};
    for (const char* file : inputFiles)
        if (file != std::string("--stub") && options.Has(file))
            inputs.push_back(options.Get(file));
    for (const PlannedFile& file : plan.files)
        inputs.push_back((folder / file.path).string());
    std::string output = options.Get("-o");
    if (options.mode == PackMode::Pack || options.Has("-o")) {
        error = CheckOutput(output, inputs, {folder.string()});
        if (!error.empty())
            return error;
    }

    Bytes image;
    PeLayout layout;
    ResourceTree tree;
    if (!ReadWholeFile(stub, image, error) || !ParsePe(image, layout, error) ||
        !ReadResources(image, layout, tree, error))
        return "the stub '" + stub + "': " + error;
    if (!CheckArchitecture(options, stub, layout, error))
        return error;
    std::cout << "Installer " << ArchitectureName(layout.architecture) << "  from the stub '"
              << stub << "'\n";
    const ResourceName toolkit = ResourceName::String("TOOLKIT");
    if (tree.count(toolkit))
        return "the stub '" + stub + "' carries a payload already";
    for (const auto& [id, text] : settings)
        if (!SetTableString(tree, id, text, error))
            return error;
    if (!ApplyVersionBranding(tree, branding, error) || !Artwork(options, tree, error))
        return error;
    PrintSettings(settings);
    PrintVersion(tree);

    if (options.mode == PackMode::DryRun) {
        std::cout << "Manifest  " << kManifestId << "  " << plan.manifest.size() << " bytes\n";
        for (const PlannedFile& file : plan.files)
            PrintFile(file);
        std::cout << "Would pack " << plan.files.size() << " files, " << plan.totalBytes << " bytes"
                  << (output.empty() ? "" : " into '" + output + "'") << ", "
                  << ArchitectureName(layout.architecture)
                  << (options.Flag("--compress") ? ", compressed" : "")
                  << (options.Signs() ? ", signed" : ", not signed") << "; nothing written\n";
        return {};
    }

    NameMap& payload = tree[toolkit];
    payload[ResourceName::Id(kManifestId)][0].bytes.assign(plan.manifest.begin(),
                                                           plan.manifest.end());
    std::cout << "Manifest  " << kManifestId << "  " << plan.manifest.size() << " bytes\n";
    PrivateScratchFolder scratch;
    if (options.Flag("--compress") && !scratch.Make(error))
        return error;
    std::uint64_t compressedBytes = 0;
    // The files are read when the image is written, a piece at a time; compressed, from the
    // scratch files they were deflated into.
    for (const PlannedFile& file : plan.files) {
        ResourceData& data = payload[ResourceName::Id(file.id)][0];
        const std::string source = (folder / file.path).string();
        data.file = FileContents{source, file.path, file.size};
        if (options.Flag("--compress")) {
            if (!CompressPayloadFile(source, file.path, file.size, scratch, *data.file, error))
                return error;
            compressedBytes += data.file->size;
            if (compressedBytes > kMaxTotalBytes)
                return "compressed, the payload still takes more than " +
                       std::to_string(kMaxTotalBytes) + " bytes";
        }
        PrintFile(file);
    }

    ResourceReplacement replacement;
    if (!PrepareReplacement(image, tree, replacement, error))
        return "the stub '" + stub + "': " + error;
    std::string temporary;
    if (!WriteTemporary(
            output,
            [&](std::ostream& out, std::string& why) {
                return WriteReplacement(replacement, out, why);
            },
            temporary, error))
        return error;
    replacement = {};
    tree.clear();
    image.clear();
    std::string final = temporary;
    if (options.Signs()) {
        final = UnusedNameBeside(output);
        error = SignImage(options, temporary, final);
        RemoveQuietly(temporary);
        if (!error.empty())
            return error;
    }
    if (!Commit(final, output, error))
        return error;
    if (options.Flag("--compress")) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.1f%%",
                      plan.totalBytes == 0 ? 100.0
                                           : 100.0 * static_cast<double>(compressedBytes) /
                                                 static_cast<double>(plan.totalBytes));
        std::cout << "Compressed " << plan.files.size() << " files of " << plan.totalBytes
                  << " bytes into " << compressedBytes << " bytes: " << ratio << " of their size\n";
    }
    std::error_code ignored;
    std::cout << "Packed " << plan.files.size() << " files, " << plan.totalBytes << " bytes, into '"
              << output << "': " << fs::file_size(output, ignored) << " bytes, "
              << ArchitectureName(layout.architecture)
              << (!options.Signs()                 ? ", not signed"
                  : options.Has("--timestamp-url") ? ", signed and time-stamped"
                                                   : ", signed")
              << "\n";
    return {};
}

} // namespace

int main(int argc, char** argv) {
    PackOptions options;
    std::string error;
    if (argc == 1) {
        std::cerr << PackHelp();
        return 1;
    }
    if (!ParsePackOptions(argc, argv, options, error)) {
        std::cerr << "kitbag-pack: " << error << " (kitbag-pack --help lists every option)\n";
        return 1;
    }
    if (options.mode == PackMode::Help) {
        std::cout << PackHelp();
        return std::cout.flush() ? 0 : 1;
    }
    if (options.mode == PackMode::Version) {
        std::cout << "kitbag-pack " << KITBAG_TOOLS_VERSION << "\n";
        return std::cout.flush() ? 0 : 1;
    }
    try {
        error = options.mode == PackMode::List ? ListInstaller(options.Get("--list"))
                                               : Pack(options, argv[0]);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    if (!error.empty()) {
        std::cerr << "kitbag-pack: " << error
                  << (options.mode == PackMode::Pack ? "; nothing written\n" : "\n");
        return 1;
    }
    return std::cout.flush() ? 0 : 1;
}
