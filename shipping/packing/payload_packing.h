#pragma once
// kitbag-pack's payload: every planned file as a TOOLKIT resource, stored as it is or as an
// empty resource whose bytes are in a compressed solid block (payload/format/solid_block.h).
#include "shipping/packing/block_plan.h"
#include "shipping/base/private_scratch_folder.h"
#include "shipping/pe/resource_tree.h"

#include <string>
#include <vector>

namespace kitbag {

// Whether each planned file compresses and holds machine code, looked at on `threads` threads.
bool ExamineFiles(const PayloadPlan& plan, const std::string& folder, unsigned threads,
                  std::vector<FileNature>& natures, std::string& error);

struct PackedPayload {
    BlockPlan blocks;
    std::vector<std::uint64_t> blockBytes; // each block resource's length
};

// Puts the plan's files into payload: the stored ones as themselves, read when the image is
// written; the others empty, with the blocks that hold them compressed on `threads` threads into
// scratch and added after the files' ids, machine code through the branch filter. Fails, naming the
// file, when one cannot be read or changed, or when the blocks would need more resource ids than
// there are.
bool PackPayload(const PayloadPlan& plan, const std::string& folder,
                 const std::vector<FileNature>& natures, const BlockPlan& blocks, unsigned threads,
                 PrivateScratchFolder& scratch, NameMap& payload, PackedPayload& packed,
                 std::string& error);

} // namespace kitbag
