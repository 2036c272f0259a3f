#include "framework/string_map.h"

#include <gtest/gtest.h>

namespace {

using Entries = std::vector<CMapStringToString::Entry>;

// A character outside the BMP hashes as the surrogate pair D83D DE00.
TEST(StringMap, NamesFallInTheirKnownBuckets) {
    const std::pair<const wchar_t*, std::uint32_t> rows[] = {
        {L"zeroguid", 1},        {L"keep", 5}, {L"temp", 5}, {L"dontrun", 8},
        {L"IAgreeToTheEULA", 9}, {L"?", 12},   {L"log", 15}, {L"extract", 15}};
    for (const auto& [name, bucket] : rows)
        EXPECT_EQ(bucket, HashUtf16Name(name) % CMapStringToString::kBucketCount) << name;
    EXPECT_EQ((97u * 33 + 0xD83D) * 33 + 0xDE00, HashUtf16Name(L"a\U0001F600"));
}

TEST(StringMap, EnumeratesBucketsAscendingNewestFirstWithinABucket) {
    CMapStringToString map;
    for (const wchar_t* name : {L"log", L"keep", L"zeroguid", L"temp", L"extract", L"?"})
        map.SetAt(name, L"");
    const Entries expected{{L"zeroguid", L""}, {L"temp", L""},    {L"keep", L""},
                           {L"?", L""},        {L"extract", L""}, {L"log", L""}};
    EXPECT_EQ(expected, map.Entries());
}

TEST(StringMap, ReplacingKeepsThePlaceAndRemovingTakesItOut) {
    CMapStringToString map;
    map.SetAt(L"keep", L"1");
    map.SetAt(L"temp", L"2");
    map.SetAt(L"keep", L"3");
    map.SetAt(L"KEEP", L"4"); // names are case-sensitive
    EXPECT_EQ((Entries{{L"KEEP", L"4"}, {L"temp", L"2"}, {L"keep", L"3"}}), map.Entries());

    EXPECT_TRUE(map.RemoveKey(L"temp"));
    EXPECT_FALSE(map.RemoveKey(L"temp"));
    std::wstring value = L"unchanged";
    EXPECT_FALSE(map.Lookup(L"temp", value));
    EXPECT_EQ(L"unchanged", value);
    map.SetAt(L"temp", L"5");
    EXPECT_EQ((Entries{{L"temp", L"5"}, {L"KEEP", L"4"}, {L"keep", L"3"}}), map.Entries());
}

} // namespace
