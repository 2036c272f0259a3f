#include "shipping/packing/block_plan.h"

#include <algorithm>
#include <tuple>

namespace kitbag {

namespace {

std::string Extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash)
               ? std::string()
               : LowerAscii(path.substr(dot + 1));
}

} // namespace

BlockPlan PlanBlocks(const std::vector<PlannedFile>& files, const std::vector<FileNature>& natures,
                     std::uint64_t blockBytes) {
    BlockPlan plan;
    std::vector<std::size_t> packed;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (natures[i].compresses && files[i].size > 0) {
            packed.push_back(i);
            total += files[i].size;
        } else {
            plan.stored.push_back(i);
        }
    }
    if (packed.empty())
        return plan;
    std::stable_sort(packed.begin(), packed.end(), [&](std::size_t a, std::size_t b) {
        return std::make_tuple(!natures[a].code, Extension(files[a].path),
                               LowerAscii(files[a].path)) <
               std::make_tuple(!natures[b].code, Extension(files[b].path),
                               LowerAscii(files[b].path));
    });
    const std::uint64_t count = std::max<std::uint64_t>(1, (total + blockBytes - 1) / blockBytes);
    const std::uint64_t target = (total + count - 1) / count;
    plan.blocks.emplace_back();
    std::uint64_t inBlock = 0;
    for (std::size_t i : packed) {
        // A new block when this file would take the current one further past its share than
        // the current one falls short of it.
        const std::uint64_t size = files[i].size;
        if (inBlock > 0 && plan.blocks.size() < count && inBlock + size > target &&
            inBlock + size - target > target - std::min(inBlock, target)) {
            plan.blocks.emplace_back();
            inBlock = 0;
        }
        plan.blocks.back().push_back(i);
        inBlock += size;
    }
    return plan;
}

std::vector<std::vector<std::size_t>> GroupStored(const std::vector<PlannedFile>& files,
                                                  const std::vector<std::size_t>& stored,
                                                  std::uint64_t groupBytes) {
    std::vector<std::vector<std::size_t>> groups;
    std::uint64_t inGroup = 0;
    for (std::size_t i : stored) {
        if (files[i].size == 0)
            continue;
        if (groups.empty() || (inGroup > 0 && inGroup + files[i].size > groupBytes)) {
            groups.emplace_back();
            inGroup = 0;
        }
        groups.back().push_back(i);
        inGroup += files[i].size;
    }
    return groups;
}

} // namespace kitbag
