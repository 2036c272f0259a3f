#include "shipping/programs/pack.h"

#include "shipping/base/files.h"
#include "shipping/base/interruption.h"
#include "shipping/base/output_check.h"
#include "shipping/base/parallel.h"
#include "shipping/base/private_scratch_folder.h"
#include "shipping/base/source_date_epoch.h"
#include "shipping/packing/block_compression.h"
#include "shipping/packing/installer_listing.h"
#include "shipping/packing/payload_folder.h"
#include "shipping/packing/payload_packing.h"
#include "shipping/pe/resource_section.h"
#include "shipping/programs/pack_report.h"
#include "shipping/programs/pack_settings.h"
#include "shipping/programs/stub_choice.h"
#include "shipping/signing/signing.h"
#include "shipping/base/links.h"
#include "shipping/base/utf8_system.h"

#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace kitbag {

namespace {

const char* const kInputFiles[] = {"--stub",      "--sign-cert", "--sign-key", "--pkcs12",
                                   "--pass-file", "--icon",      "--splash"};

// Everything a pack is made of, read and checked before the stub is opened.
struct PackInputs {
    StringSettings settings;
    VersionBranding branding;
    PayloadPlan plan;
    FormChoice form;
    fs::path folder;
    std::string stub;
    std::string output;
    std::optional<std::uint32_t> epoch; // SOURCE_DATE_EPOCH
};

// The stub's image, opened and branded as the options ask.
struct BrandedStub {
    Bytes image;
    PeLayout layout;
    ResourceTree tree;
};

// How the files are stored.
struct Storing {
    unsigned threads = 1;
    std::vector<FileNature> natures;
    BlockPlan blocks;
    std::vector<std::string> how; // for each file, what the listing says of its storage
};

std::string ReadInputs(const PackOptions& options, PackInputs& in) {
    std::string error;
    for (const char* file : kInputFiles)
        if (options.Has(file) && !CheckInputFile(options.Get(file), error))
            return std::string(file) + " " + error;
    std::vector<PayloadFile> files;
    std::vector<std::string> emptyFolders;
    if (!ReadSourceDateEpoch(in.epoch, error) || !ReadSettings(options, in.settings, error) ||
        !ReadBranding(options, in.branding, error) ||
        !ListFolder(options.Get("--payload"), files, emptyFolders, error) ||
        !PlanPayload(files, options.Get("--program"), in.plan, error) ||
        !ChoosePayloadForm(in.plan.totalBytes, options.Flag("--data-area"), in.form, error))
        return error;
    for (const std::string& empty : emptyFolders)
        std::cerr << "kitbag-pack: note: the empty folder '" << empty
                  << "' is left out; the installer makes only folders that hold files\n";

    in.stub = ChooseStub(options, error);
    if (in.stub.empty())
        return error;
    in.folder = PathOf(options.Get("--payload"));
    // The compressed blocks are made under the temporary folder: never inside the folder they
    // are made of.
    if (!options.Flag("--store")) {
        std::error_code ignored;
        const fs::path temporary = fs::temp_directory_path(ignored);
        const fs::path inside =
            ResolvedIfPossible(temporary).lexically_relative(ResolvedIfPossible(in.folder));
        if (!temporary.empty() && !inside.empty() && *inside.begin() != fs::path(".."))
            return "the temporary folder '" + Utf8Of(temporary) +
                   "' lies inside the product folder; set TMPDIR (TMP on Windows) elsewhere";
    }
    std::vector<std::string> inputs = {in.stub};
    for (const char* file : kInputFiles)
        if (file != std::string("--stub") && options.Has(file))
            inputs.push_back(options.Get(file));
    for (const PlannedFile& file : in.plan.files)
        inputs.push_back(Utf8Of(in.folder / PathOf(file.path)));
    in.output = options.Get("-o");
    if (options.mode == PackMode::Pack || options.Has("-o"))
        return CheckOutput(in.output, inputs, {Utf8Of(in.folder)});
    return {};
}

std::string BrandStub(const PackOptions& options, const PackInputs& in, BrandedStub& stub) {
    std::string error;
    if (!ReadWholeFile(in.stub, stub.image, error) || !ParsePe(stub.image, stub.layout, error) ||
        !ReadResources(stub.image, stub.layout, stub.tree, error))
        return "the stub '" + in.stub + "': " + error;
    if (!CheckArchitecture(options, in.stub, stub.layout, error))
        return error;
    // The header's time is the stub's link time, unless a reproducible build gives its own.
    if (in.epoch)
        for (int i = 0; i < 4; ++i)
            stub.image[stub.layout.coffOffset + 4 + i] =
                static_cast<std::uint8_t>(*in.epoch >> (8 * i));
    std::cout << "Installer " << ArchitectureName(stub.layout.architecture) << "  from the stub '"
              << in.stub << "'\n";
    if (stub.tree.count(ResourceName::String("TOOLKIT")))
        return "the stub '" + in.stub + "' carries a payload already";
    for (const auto& [id, text] : in.settings)
        if (!SetTableString(stub.tree, id, text, error))
            return error;
    if (!ApplyVersionBranding(stub.tree, in.branding, error) ||
        !ApplyArtwork(options, stub.tree, error))
        return error;
    PrintSettings(in.settings);
    PrintVersion(stub.tree);
    std::cout << "Payload   " << in.form.why << "\n";
    return {};
}

std::string PlanStoring(const PackOptions& options, const PackInputs& in, Storing& storing) {
    const bool compress = !options.Flag("--store");
    storing.threads = options.Has("--threads")
                          ? static_cast<unsigned>(std::stoi(options.Get("--threads")))
                          : ProcessorCount();
    storing.natures.assign(in.plan.files.size(), FileNature{false, false});
    std::string error;
    if (compress &&
        !ExamineFiles(in.plan, Utf8Of(in.folder), storing.threads, storing.natures, error))
        return error;
    storing.blocks = PlanBlocks(in.plan.files, storing.natures, kMaxDictionaryBytes);
    storing.how = Storage(in.plan, storing.natures, storing.blocks, compress);
    return {};
}

// The payload into the stub's tree, the image written beside the output, signed, and renamed
// to it.
std::string WriteInstaller(const PackOptions& options, const PackInputs& in, BrandedStub& stub,
                           const Storing& storing) {
    const PayloadPlan& plan = in.plan;
    NameMap& payload = stub.tree[ResourceName::String("TOOLKIT")];
    payload[ResourceName::Id(kManifestId)][0].bytes.assign(plan.manifest.begin(),
                                                           plan.manifest.end());
    std::cout << "Manifest  " << kManifestId << "  " << plan.manifest.size() << " bytes\n";
    std::string error;
    PrivateScratchFolder scratch;
    if (!storing.blocks.blocks.empty() && !scratch.Make(error))
        return error;
    // The files are read when the image is written, a piece at a time; the compressed ones are
    // in blocks, compressed into the scratch folder first.
    PackedPayload packed;
    if (!PackPayload(plan, Utf8Of(in.folder), storing.natures, storing.blocks, in.form.form,
                     storing.threads, scratch, payload, packed, error))
        return error;
    for (std::size_t i = 0; i < plan.files.size(); ++i)
        PrintFile(plan.files[i], storing.how[i]);
    PrintBlocks(plan, storing.blocks, packed);

    PrintDataArea(packed);
    ResourceReplacement replacement;
    if (!PrepareReplacement(stub.image, stub.tree, replacement, error))
        return "the stub '" + in.stub + "': " + error;
    if (!AddDataArea(replacement, std::move(packed.dataArea), kMaxUnsignedInstaller, error))
        return error;
    std::string temporary;
    if (!WriteTemporary(
            in.output,
            [&](std::ostream& out, std::string& why) {
                return WriteReplacement(replacement, out, why);
            },
            temporary, error))
        return error;
    replacement = {};
    stub.tree.clear();
    stub.image.clear();
    std::string final = temporary;
    if (options.Signs() && !Interrupted()) {
        final = UnusedNameBeside(in.output);
        error = SignImage(options, temporary, final);
        RemoveQuietly(temporary);
        if (!error.empty())
            return error;
    }
    // Nothing takes the output's name once the run is interrupted.
    if (Interrupted()) {
        RemoveQuietly(final);
        return kInterruptedReason;
    }
    if (!Commit(final, in.output, error))
        return error;
    PrintCompression(plan, storing.blocks, packed);
    std::error_code ignored;
    std::cout << "Packed " << plan.files.size() << " files, " << plan.totalBytes << " bytes, into '"
              << in.output << "': " << fs::file_size(PathOf(in.output), ignored) << " bytes, "
              << ArchitectureName(stub.layout.architecture)
              << (!options.Signs()                 ? ", not signed"
                  : options.Has("--timestamp-url") ? ", signed and time-stamped"
                                                   : ", signed")
              << "\n";
    return {};
}

} // namespace

std::string Pack(const PackOptions& options) {
    PackInputs in;
    BrandedStub stub;
    Storing storing;
    std::string error = ReadInputs(options, in);
    if (error.empty())
        error = BrandStub(options, in, stub);
    if (error.empty())
        error = PlanStoring(options, in, storing);
    if (!error.empty())
        return error;
    if (options.mode != PackMode::DryRun)
        return WriteInstaller(options, in, stub, storing);
    std::cout << "Manifest  " << kManifestId << "  " << in.plan.manifest.size() << " bytes\n";
    for (std::size_t i = 0; i < in.plan.files.size(); ++i)
        PrintFile(in.plan.files[i], storing.how[i]);
    PrintDryRun(in.plan, storing.blocks, in.output, ArchitectureName(stub.layout.architecture),
                options.Signs());
    return {};
}

} // namespace kitbag
