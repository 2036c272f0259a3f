#pragma once
// What kitbag-pack prints on standard output: the settings, each file and how it is stored,
// each block, and the summary of what was (or would be) written.
#include "shipping/packing/block_plan.h"
#include "shipping/packing/payload_packing.h"
#include "shipping/packing/payload_plan.h"
#include "shipping/programs/pack_settings.h"

#include <string>
#include <vector>

namespace kitbag {

void PrintSettings(const StringSettings& settings);

// How each file is stored: in which block, or stored as it is, and why, when it could have
// been compressed.
std::vector<std::string> Storage(const PayloadPlan& plan, const std::vector<FileNature>& natures,
                                 const BlockPlan& blocks, bool compress);

void PrintFile(const PlannedFile& file, const std::string& how);

// The dry run's last line: what would be packed, and how.
void PrintDryRun(const PayloadPlan& plan, const BlockPlan& blocks, const std::string& output,
                 const char* architecture, bool signs);

// A line for each block.
void PrintBlocks(const PayloadPlan& plan, const BlockPlan& blocks, const PackedPayload& packed);
// What the data area holds, in the data-area form.
void PrintDataArea(const PackedPayload& packed);
// The line for all blocks together, once the installer is written; nothing without blocks.
void PrintCompression(const PayloadPlan& plan, const BlockPlan& blocks,
                      const PackedPayload& packed);

} // namespace kitbag
