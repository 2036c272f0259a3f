#include "checks/disk_space_rule.h"

#include <gtest/gtest.h>

namespace {

TEST(DiskSpaceRule, DrivePartIsALetterAndColonOrNothing) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"C:\\x", L"C:"}, {L"d:", L"d:"}, {L"\\\\server\\x", L""}, {L"", L""},
        {L"C", L""},       {L"1:\\", L""}, {L"@:\\", L""},          {L"[:\\", L""}};
    for (const auto& [path, drive] : rows)
        EXPECT_EQ(drive, DrivePart(path)) << path;
}

TEST(DiskSpaceRule, WholeMegabytesTruncatesAndEnoughMeansStrictlyMore) {
    EXPECT_EQ(0, WholeMegabytes(1048575));
    EXPECT_EQ(500, WholeMegabytes(501ull * 1048576 - 1));
    EXPECT_EQ(17592186044415, WholeMegabytes(UINT64_MAX));
    EXPECT_TRUE(HasEnoughSpace(501, 500));
    EXPECT_FALSE(HasEnoughSpace(500, 500));
    EXPECT_TRUE(HasEnoughSpace(0, -1));
}

} // namespace
