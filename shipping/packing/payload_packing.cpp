#include "shipping/packing/payload_packing.h"

#include "payload/format/data_extent.h"
#include "shipping/packing/block_compression.h"
#include "shipping/packing/stored_block.h"
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

namespace {

// Runs work(i) for i below count on `threads` threads; the first failure, if any.
template <class Work> std::string FirstFailure(std::size_t count, unsigned threads, Work work) {
    std::vector<std::string> errors(count);
    RunInParallel(count, threads, [&](std::size_t i) {
        try {
            work(i, errors[i]);
        } catch (const std::exception& failure) {
            errors[i] = failure.what();
        }
    });
    for (const std::string& failure : errors)
        if (!failure.empty())
            return failure;
    return {};
}

} // namespace

bool PackPayload(const PayloadPlan& plan, const std::string& folder,
                 const std::vector<FileNature>& natures, const BlockPlan& blocks, PayloadForm form,
                 unsigned threads, PrivateScratchFolder& scratch, NameMap& payload,
                 PackedPayload& packed, std::string& error) {
    packed = PackedPayload{};
    packed.blocks = blocks;
    packed.blockBytes.assign(blocks.blocks.size(), 0);
    packed.form = form;
    if (form == PayloadForm::kDataArea)
        packed.storedBlocks = GroupStored(plan.files, blocks.stored, kStoredBlockBytes);
    const std::size_t blockCount = blocks.blocks.size() + packed.storedBlocks.size();
    const std::size_t firstBlockId = kFirstFileId + plan.files.size();
    if (firstBlockId + blockCount > 0x10000) {
        error = "the folder holds " + std::to_string(plan.files.size()) + " files, and with " +
                std::to_string(blockCount) +
                " blocks they need more resource ids than there are (up to 65535)" +
                (packed.storedBlocks.empty() ? "; pack them with --store" : "");
        return false;
    }
    auto member = [&](std::size_t i) {
        const PlannedFile& file = plan.files[i];
        return BlockFile{Utf8Of(PathOf(folder) / PathOf(file.path)),
                         file.path,
                         file.id,
                         file.size,
                         natures[i].code ? MemberFilter::kBranchX86 : MemberFilter::kNone,
                         file.identity};
    };
    std::vector<bool> inBlock(plan.files.size(), false);
    std::vector<std::vector<BlockFile>> members(blockCount);
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b)
        for (std::size_t i : blocks.blocks[b]) {
            members[b].push_back(member(i));
            inBlock[i] = true;
        }
    for (std::size_t s = 0; s < packed.storedBlocks.size(); ++s)
        for (std::size_t i : packed.storedBlocks[s]) {
            members[blocks.blocks.size() + s].push_back(member(i));
            members[blocks.blocks.size() + s].back().filter = MemberFilter::kNone;
            inBlock[i] = true;
        }
    std::vector<std::string> paths;
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b)
        paths.push_back(scratch.NewFileName());
    std::vector<Bytes> storedHeads(packed.storedBlocks.size());
    error = FirstFailure(blockCount, threads, [&](std::size_t b, std::string& failure) {
        if (b < blocks.blocks.size())
            CompressBlock(members[b], paths[b], packed.blockBytes[b], failure);
        else
            StoredBlockHead(members[b], storedHeads[b - blocks.blocks.size()], failure);
    });
    if (!error.empty())
        return false;

    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedFile& file = plan.files[i];
        ResourceData& data = payload[ResourceName::Id(file.id)][0];
        if (!inBlock[i])
            data.file = FileContents{member(i).path, file.path, file.size, file.identity};
    }
    for (std::size_t b = 0; b < blockCount; ++b) {
        ResourceData& resource =
            payload[ResourceName::Id(static_cast<std::uint16_t>(firstBlockId + b))][0];
        std::vector<ResourceData> pieces;
        if (b < blocks.blocks.size()) {
            pieces.emplace_back();
            pieces.back().file = FileContents{paths[b], "compressed block " + std::to_string(b + 1),
                                              packed.blockBytes[b], IdentityOf(paths[b])};
        } else {
            pieces.emplace_back(std::move(storedHeads[b - blocks.blocks.size()]));
            for (const BlockFile& file : members[b]) {
                pieces.emplace_back();
                pieces.back().file = FileContents{file.path, file.name, file.size, file.identity};
            }
        }
        if (form == PayloadForm::kResources) {
            resource = std::move(pieces.front());
            continue;
        }
        DataExtent extent{packed.dataAreaBytes, 0};
        for (ResourceData& piece : pieces) {
            extent.size += piece.Size();
            packed.dataArea.push_back(std::move(piece));
        }
        packed.dataAreaBytes += extent.size;
        resource.bytes = WriteDataExtent(extent);
    }
    return true;
}

} // namespace kitbag
