#include "shipping/programs/pack_report.h"

#include "shipping/base/bytes.h"
#include "shipping/base/text.h"

#include <cstdio>
#include <iostream>

namespace kitbag {

void PrintSettings(const StringSettings& settings) {
    for (const auto& [id, text] : settings)
        std::cout << "Setting   " << id << "  '" << Utf16ToUtf8(text) << "'\n";
}

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

void PrintDryRun(const PayloadPlan& plan, const BlockPlan& blocks, const std::string& output,
                 const char* architecture, bool signs) {
    std::cout << "Would pack " << plan.files.size() << " files, " << plan.totalBytes << " bytes"
              << (output.empty() ? "" : " into '" + output + "'") << ", " << architecture << ", "
              << (blocks.blocks.empty() ? std::string("stored")
                                        : "compressed in " + std::to_string(blocks.blocks.size()) +
                                              (blocks.blocks.size() == 1 ? " block" : " blocks"))
              << (signs ? ", signed" : ", not signed") << "; nothing written\n";
}

void PrintBlocks(const PayloadPlan& plan, const BlockPlan& blocks, const PackedPayload& packed) {
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b) {
        std::uint64_t bytes = 0;
        for (std::size_t i : blocks.blocks[b])
            bytes += plan.files[i].size;
        std::cout << "Block     " << kFirstFileId + plan.files.size() + b << "  "
                  << blocks.blocks[b].size() << " files, " << bytes << " bytes in "
                  << packed.blockBytes[b] << "\n";
    }
}

void PrintDataArea(const PackedPayload& packed) {
    if (packed.form != PayloadForm::kDataArea)
        return;
    // With the padding to the certificate table's boundary, as --list gives it: the area starts
    // at a section boundary.
    std::cout << "Data area " << AlignUp(packed.dataAreaBytes, 8)
              << " bytes after the image's sections: " << packed.blocks.blocks.size()
              << " compressed and " << packed.storedBlocks.size() << " stored blocks\n";
}

void PrintCompression(const PayloadPlan& plan, const BlockPlan& blocks,
                      const PackedPayload& packed) {
    if (blocks.blocks.empty())
        return;
    std::uint64_t compressedFiles = 0, compressedBytes = 0, blockBytes = 0;
    for (std::size_t b = 0; b < blocks.blocks.size(); ++b) {
        for (std::size_t i : blocks.blocks[b])
            compressedBytes += plan.files[i].size;
        compressedFiles += blocks.blocks[b].size();
        blockBytes += packed.blockBytes[b];
    }
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.1f%%",
                  100.0 * static_cast<double>(blockBytes) / static_cast<double>(compressedBytes));
    std::cout << "Compressed " << compressedFiles << " files of " << compressedBytes
              << " bytes into " << blocks.blocks.size()
              << (blocks.blocks.size() == 1 ? " block" : " blocks") << " of " << blockBytes
              << " bytes: " << ratio << " of their size\n";
}

} // namespace kitbag
