#pragma once
// How kitbag-pack stores a product's files: which go into which compressed solid block, and
// which are stored as they are.
#include "shipping/packing/payload_plan.h"

#include <cstdint>
#include <vector>

namespace kitbag {

// What the packer found out about a file before planning.
struct FileNature {
    bool compresses = true; // false: already compressed or random, stored as it is
    bool code = false;      // x86 or x64 machine code, for the branch filter
};

struct BlockPlan {
    // Each block's files as indexes into the payload plan's files, in the block's order.
    std::vector<std::vector<std::size_t>> blocks;
    std::vector<std::size_t> stored; // in the payload plan's order
};

// Every file that compresses and is not empty goes into a block: code first, then by
// extension and name, so that like lies beside like. They are split into as few blocks of about
// equal size as blockBytes allows (a block larger than that, when a file is, still has a
// dictionary of no more): the installer decodes blocks on several threads at once, but every
// split costs some size.
BlockPlan PlanBlocks(const std::vector<PlannedFile>& files, const std::vector<FileNature>& natures,
                     std::uint64_t blockBytes);

// The stored files that are not empty, in the plan's order, in groups of about groupBytes (a
// larger file alone): the data area's stored blocks, which the installer writes on several
// threads at once.
std::vector<std::vector<std::size_t>> GroupStored(const std::vector<PlannedFile>& files,
                                                  const std::vector<std::size_t>& stored,
                                                  std::uint64_t groupBytes);

} // namespace kitbag
