// kitbag-pack: turns a product's folder into an installer, written into the payload-free
// installer build (the stub) as TOOLKIT resources with the settings in its string table.
#include "shipping/branding/icon_file.h"
#include "shipping/packing/installer_listing.h"
#include "shipping/base/output_check.h"
#include "shipping/programs/pack_options.h"
#include "shipping/packing/block_compression.h"
#include "shipping/base/parallel.h"
#include "shipping/packing/payload_folder.h"
#include "shipping/packing/payload_packing.h"
#include "shipping/packing/payload_plan.h"
#include "shipping/pe/resource_section.h"
#include "shipping/signing/signing.h"
#include "shipping/programs/stub_choice.h"
#include "shipping/branding/splash_bitmap.h"
#include "shipping/base/files.h"
#include "shipping/base/text.h"
#include "shipping/branding/four_part_version.h"
#include "shipping/branding/version_branding.h"

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

void PrintSettings(const std::map<std::uint16_t, std::u16string>& settings) {
    for (const auto& [id, text] : settings)
        std::cout << "Setting   " << id << "  '" << Utf16ToUtf8(text) << "'\n";
}

// How a file is stored: in which block, or stored as it is, and why, when it could have been
// compressed.
std::vector<std::string> Storage(const PayloadPlan& plan, const std::vector<FileNature>& natures,
                                 const BlockPlan& blocks, bool compress) {
    std::vector<std::string> how(plan.files.size());
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b)
        for (std::size_t i : blocks.blocks[b])
            how[i] = ", compressed in block " + std::to_string(b + 1) +
                     (natures[i].code ? " (machine code)" : "");
    for (std::size_t i : blocks.stored)
        how[i] = !compress || plan.files[i].size == 0 ? "" : ", stored: it does not compress";
    return how;
}

void PrintFile(const PlannedFile& file, const std::string& how) {
    std::cout << "File      " << file.id << "  " << file.name << "  " << file.size
              << " bytes, written as '" << LowerAscii(file.name) << "'" << how << "\n";
}

std::string Pack(const PackOptions& options) {
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

    const std::string stub = ChooseStub(options, error);
    if (stub.empty())
        return error;
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

    const bool compress = !options.Flag("--store");
    const unsigned threads = options.Has("--threads")
                                 ? static_cast<unsigned>(std::stoi(options.Get("--threads")))
                                 : ProcessorCount();
    std::vector<FileNature> natures(plan.files.size(), FileNature{false, false});
    if (compress && !ExamineFiles(plan, folder.string(), threads, natures, error))
        return error;
    const BlockPlan blocks = PlanBlocks(plan.files, natures, kMaxDictionaryBytes);
    const std::vector<std::string> how = Storage(plan, natures, blocks, compress);

    if (options.mode == PackMode::DryRun) {
        std::cout << "Manifest  " << kManifestId << "  " << plan.manifest.size() << " bytes\n";
        for (std::size_t i = 0; i < plan.files.size(); ++i)
            PrintFile(plan.files[i], how[i]);
        std::cout << "Would pack " << plan.files.size() << " files, " << plan.totalBytes << " bytes"
                  << (output.empty() ? "" : " into '" + output + "'") << ", "
                  << ArchitectureName(layout.architecture) << ", "
                  << (blocks.blocks.empty()
                          ? std::string("stored")
                          : "compressed in " + std::to_string(blocks.blocks.size()) +
                                (blocks.blocks.size() == 1 ? " block" : " blocks"))
                  << (options.Signs() ? ", signed" : ", not signed") << "; nothing written\n";
        return {};
    }

    NameMap& payload = tree[toolkit];
    payload[ResourceName::Id(kManifestId)][0].bytes.assign(plan.manifest.begin(),
                                                           plan.manifest.end());
    std::cout << "Manifest  " << kManifestId << "  " << plan.manifest.size() << " bytes\n";
    PrivateScratchFolder scratch;
    if (!blocks.blocks.empty() && !scratch.Make(error))
        return error;
    // The files are read when the image is written, a piece at a time; the compressed ones are
    // in blocks, compressed into the scratch folder first.
    PackedPayload packed;
    if (!PackPayload(plan, folder.string(), natures, blocks, threads, scratch, payload, packed,
                     error))
        return error;
    for (std::size_t i = 0; i < plan.files.size(); ++i)
        PrintFile(plan.files[i], how[i]);
    std::uint64_t compressedFiles = 0, compressedBytes = 0, blockBytes = 0;
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b) {
        std::uint64_t bytes = 0;
        for (std::size_t i : blocks.blocks[b])
            bytes += plan.files[i].size;
        std::cout << "Block     " << kFirstFileId + plan.files.size() + b << "  "
                  << blocks.blocks[b].size() << " files, " << bytes << " bytes in "
                  << packed.blockBytes[b] << "\n";
        compressedFiles += blocks.blocks[b].size();
        compressedBytes += bytes;
        blockBytes += packed.blockBytes[b];
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
    if (!blocks.blocks.empty()) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.1f%%",
                      100.0 * static_cast<double>(blockBytes) /
                          static_cast<double>(compressedBytes));
        std::cout << "Compressed " << compressedFiles << " files of " << compressedBytes
                  << " bytes into " << blocks.blocks.size()
                  << (blocks.blocks.size() == 1 ? " block" : " blocks") << " of " << blockBytes
                  << " bytes: " << ratio << " of their size\n";
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
        error =
            options.mode == PackMode::List ? ListInstaller(options.Get("--list")) : Pack(options);
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
