#include "shipping/packing/block_plan.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

PlannedFile File(const std::string& path, std::uint64_t size) {
    return {0, path, path, size};
}

// The paths of each block, and of the stored files, as "a b | c ; d".
std::string Layout(const std::vector<PlannedFile>& files, const BlockPlan& plan) {
    std::string out;
    for (const auto& block : plan.blocks) {
        for (std::size_t i : block)
            out += files[i].path + " ";
        out += "| ";
    }
    out += ";";
    for (std::size_t i : plan.stored)
        out += " " + files[i].path;
    return out;
}

TEST(PlanBlocks, CodeFirstThenByExtensionIntoAsFewEvenBlocksAsTheLimitAllows) {
    const std::vector<PlannedFile> files = {
        File("Setup.exe", 40), File("b/readme.txt", 10), File("archive.zip", 50), File("a.txt", 10),
        File("lib/z.dll", 30), File("empty", 0),         File("data.bin", 20)};
    std::vector<FileNature> natures(files.size());
    natures[0].code = natures[4].code = true;
    natures[2].compresses = false;
    // Everything fits one block; what does not compress and what is empty are stored.
    EXPECT_EQ(Layout(files, PlanBlocks(files, natures, 1000)),
              "lib/z.dll Setup.exe data.bin a.txt b/readme.txt | ; archive.zip empty");
    // 110 bytes in blocks of at most 60: two, each file going where it keeps the blocks
    // nearest their share of 55.
    EXPECT_EQ(Layout(files, PlanBlocks(files, natures, 60)),
              "lib/z.dll Setup.exe | data.bin a.txt b/readme.txt | ; archive.zip empty");
    EXPECT_EQ(PlanBlocks(files, natures, 30).blocks.size(), 4u);
    std::vector<FileNature> nothing(files.size(), FileNature{false, false});
    EXPECT_TRUE(PlanBlocks(files, nothing, 60).blocks.empty());
}

TEST(GroupStored, EmptyFilesLeftOutAndALargeFileAlone) {
    const std::vector<PlannedFile> files = {File("a", 40),     File("empty", 0), File("b", 30),
                                            File("huge", 500), File("c", 10),    File("d", 70)};
    const auto groups = GroupStored(files, {0, 1, 2, 3, 4, 5}, 100);
    EXPECT_EQ(groups, (std::vector<std::vector<std::size_t>>{{0, 2}, {3}, {4, 5}}));
    EXPECT_TRUE(GroupStored(files, {1}, 100).empty());
}

} // namespace
} // namespace kitbag
