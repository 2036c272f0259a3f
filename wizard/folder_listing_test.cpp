#include "wizard/folder_listing.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderListingLines, SortsByNameIgnoringCaseAndMarksFolders) {
    const std::vector<std::wstring> lines =
        FolderListingLines({{L"c.txt", 0, false},
                            {L"Brasswick.Hopwell.UI.exe", 123456, false},
                            {L"b data.txt", 5, false},
                            {L"A folder", 4096, true}});
    const std::vector<std::wstring> expected = {L"file=A folder\t<dir>", L"file=b data.txt\t5",
                                                L"file=Brasswick.Hopwell.UI.exe\t123456",
                                                L"file=c.txt\t0"};
    EXPECT_EQ(expected, lines);
}

TEST(FolderListingLines, LeavesOutTheFolderItselfAndItsParent) {
    const std::vector<std::wstring> lines = FolderListingLines(
        {{L".", 0, true}, {L"..", 0, true}, {L"..x", 1, false}, {L".hidden", 2, false}});
    const std::vector<std::wstring> expected = {L"file=..x\t1", L"file=.hidden\t2"};
    EXPECT_EQ(expected, lines);
}

TEST(FolderListingLines, WritesSizesBeyondFourGigabytes) {
    const std::vector<std::wstring> lines =
        FolderListingLines({{L"big.bin", 0x100000005ull, false}});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(L"file=big.bin\t4294967301", lines[0]);
}

TEST(FolderListingLines, ListsNothingForAnEmptyFolder) {
    EXPECT_TRUE(FolderListingLines({}).empty());
}

} // namespace
