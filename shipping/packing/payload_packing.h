#pragma once
// kitbag-pack's payload: every planned file as a TOOLKIT resource, stored as it is or as an
// empty resource whose bytes are in a compressed solid block (payload/format/solid_block.h).
// In the data-area form every file that is not empty is in a block, and every block lies in the
// data area after the image's sections, its resource saying where (payload/format/data_extent.h).
#include "shipping/packing/block_plan.h"
#include "shipping/packing/payload_form.h"
#include "shipping/base/private_scratch_folder.h"
#include "shipping/pe/resource_tree.h"

#include <string>
#include <vector>

namespace kitbag {

// Whether each planned file compresses and holds machine code, looked at on `threads` threads.
bool ExamineFiles(const PayloadPlan& plan, const std::string& folder, unsigned threads,
                  std::vector<FileNature>& natures, std::string& error);

// The stored files' blocks in the data area: about this much in each.
constexpr std::uint64_t kStoredBlockBytes = 128ull << 20;

struct PackedPayload {
    BlockPlan blocks;
    std::vector<std::uint64_t> blockBytes; // each compressed block's length
    PayloadForm form = PayloadForm::kResources;
    // The data-area form: the stored files' blocks, and what follows the image's sections.
    std::vector<std::vector<std::size_t>> storedBlocks;
    std::vector<ResourceData> dataArea;
    std::uint64_t dataAreaBytes = 0;
};

// Puts the plan's files into payload: the stored ones as themselves, read when the image is
// written; the others empty, with the blocks that hold them compressed on `threads` threads into
// scratch and added after the files' ids, machine code through the branch filter. In the
// data-area form the stored files are in stored blocks too, and the blocks go into
// packed.dataArea, their resources holding their extents. Fails, naming the file, when one
// cannot be read or changed, or when the blocks would need more resource ids than there are.
bool PackPayload(const PayloadPlan& plan, const std::string& folder,
                 const std::vector<FileNature>& natures, const BlockPlan& blocks, PayloadForm form,
                 unsigned threads, PrivateScratchFolder& scratch, NameMap& payload,
                 PackedPayload& packed, std::string& error);

} // namespace kitbag
