#include "shipping/packing/payload_packing.h"

#include "shipping/packing/block_compression.h"
#include "shipping/base/interruption.h"
#include "shipping/base/parallel.h"
#include "shipping/base/utf8_system.h"

#include <filesystem>

namespace kitbag {

bool ExamineFiles(const PayloadPlan& plan, const std::string& folder, unsigned threads,
                  std::vector<FileNature>& natures, std::string& error) {
    natures.assign(plan.files.size(), {});
    std::vector<std::string> errors(plan.files.size());
    RunInParallel(plan.files.size(), threads, [&](std::size_t i) {
        if (Interrupted()) {
            errors[i] = kInterruptedReason;
            return;
        }
        const std::string path = Utf8Of(PathOf(folder) / PathOf(plan.files[i].path));
        const PlannedFile& file = plan.files[i];
        natures[i].compresses = WorthCompressing(path, file.size, errors[i], file.identity);
        natures[i].code = errors[i].empty() && HoldsX86Code(path, file.identity);
    });
    for (const std::string& failure : errors)
        if (!failure.empty()) {
            error = failure;
            return false;
        }
    return true;
}

bool PackPayload(const PayloadPlan& plan, const std::string& folder,
                 const std::vector<FileNature>& natures, const BlockPlan& blocks, unsigned threads,
                 PrivateScratchFolder& scratch, NameMap& payload, PackedPayload& packed,
                 std::string& error) {
    const std::size_t firstBlockId = kFirstFileId + plan.files.size();
    if (firstBlockId + blocks.blocks.size() > 0x10000) {
        error = "the folder holds " + std::to_string(plan.files.size()) + " files, and with " +
                std::to_string(blocks.blocks.size()) +
                " compressed blocks they need more resource ids than there are (up to 65535); "
                "pack them with --store";
        return false;
    }
    auto source = [&](const PlannedFile& file) {
        return Utf8Of(PathOf(folder) / PathOf(file.path));
    };
    std::vector<bool> inBlock(plan.files.size(), false);
    std::vector<std::vector<BlockFile>> members(blocks.blocks.size());
    std::vector<std::string> paths;
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b) {
        for (std::size_t i : blocks.blocks[b]) {
            const PlannedFile& file = plan.files[i];
            members[b].push_back({source(file), file.path, file.id, file.size,
                                  natures[i].code ? MemberFilter::kBranchX86 : MemberFilter::kNone,
                                  file.identity});
            inBlock[i] = true;
        }
        paths.push_back(scratch.NewFileName());
    }
    packed = PackedPayload{blocks, std::vector<std::uint64_t>(blocks.blocks.size(), 0)};
    std::vector<std::string> errors(blocks.blocks.size());
    RunInParallel(blocks.blocks.size(), threads, [&](std::size_t b) {
        try {
            CompressBlock(members[b], paths[b], packed.blockBytes[b], errors[b]);
        } catch (const std::exception& failure) {
            errors[b] = failure.what();
        }
    });
    for (const std::string& failure : errors)
        if (!failure.empty()) {
            error = failure;
            return false;
        }

    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedFile& file = plan.files[i];
        ResourceData& data = payload[ResourceName::Id(file.id)][0];
        if (!inBlock[i])
            data.file = FileContents{source(file), file.path, file.size, file.identity};
    }
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b)
        payload[ResourceName::Id(static_cast<std::uint16_t>(firstBlockId + b))][0].file =
            FileContents{paths[b], "compressed block " + std::to_string(b + 1),
                         packed.blockBytes[b], IdentityOf(paths[b])};
    return true;
}

} // namespace kitbag
