#include "payload/embedded_info_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file of S bytes is modelled by its last kInfoWindowSize + 1 bytes; the window is all of
// them but the last. fromEnd is the marker's distance from the end of the file.
std::vector<std::uint8_t> FileEnd() {
    return std::vector<std::uint8_t>(kInfoWindowSize + 1, 'x');
}

void PutMarker(std::vector<std::uint8_t>& file, std::size_t fromEnd) {
    const std::size_t at = file.size() - fromEnd;
    file[at] = 'M';
    file[at + 1] = 'R';
    file[at + 2] = 'D';
    file[at + 3] = 'C';
}

std::optional<std::string> Info(const std::vector<std::uint8_t>& file) {
    auto span = FindEmbeddedInfo(file.data(), kInfoWindowSize);
    if (!span)
        return std::nullopt;
    EXPECT_LE(span->offset + span->length, kInfoWindowSize);
    return std::string(file.begin() + static_cast<std::ptrdiff_t>(span->offset),
                       file.begin() + static_cast<std::ptrdiff_t>(span->offset + span->length));
}

TEST(FindEmbeddedInfo, InformationRunsFromTheMarkerToTheSixByteTail) {
    auto file = FileEnd();
    // "MRDC" "abc" then six bytes: the information is abc.
    PutMarker(file, 13);
    std::copy_n("abc", 3, file.end() - 9);
    EXPECT_EQ("abc", Info(file));

    // The same with only five bytes after abc: the tail takes the c.
    file = FileEnd();
    PutMarker(file, 12);
    std::copy_n("abc", 3, file.end() - 8);
    EXPECT_EQ("ab", Info(file));
}

TEST(FindEmbeddedInfo, LengthFollowsFromTheMarkersDistanceFromTheEnd) {
    const std::pair<std::size_t, std::optional<std::size_t>> rows[] = {
        {4116, 4106},         // the earliest position
        {4117, std::nullopt}, // one byte earlier is outside the window
        {11, 1},
        {10, std::nullopt}, // no information left before the tail
        {6, std::nullopt},  // the latest position that is looked at
        {5, std::nullopt},
        {4, std::nullopt},
    };
    for (const auto& [fromEnd, length] : rows) {
        auto file = FileEnd();
        PutMarker(file, fromEnd);
        auto span = FindEmbeddedInfo(file.data(), kInfoWindowSize);
        ASSERT_EQ(length.has_value(), span.has_value()) << fromEnd;
        if (span) {
            EXPECT_EQ(*length, span->length) << fromEnd;
            EXPECT_EQ(kInfoWindowSize + 1 - fromEnd + 4, span->offset) << fromEnd;
        }
    }
}

TEST(FindEmbeddedInfo, TheMarkerNearestTheEndCountsEvenInsideEarlierInformation) {
    auto file = FileEnd();
    PutMarker(file, 100);
    PutMarker(file, 40);
    EXPECT_EQ(std::string(30, 'x'), Info(file));

    // A nearest marker too close to the end hides an earlier good one.
    PutMarker(file, 9);
    EXPECT_EQ(std::nullopt, Info(file));
}

TEST(FindEmbeddedInfo, ZeroBytesAreInformationAndShortWindowsAreRefused) {
    auto file = FileEnd();
    PutMarker(file, 14);
    file[file.size() - 9] = 0;
    EXPECT_EQ(std::string("x\0xx", 4), Info(file));

    EXPECT_EQ(std::nullopt, FindEmbeddedInfo(file.data(), 8));
    EXPECT_EQ(std::nullopt, FindEmbeddedInfo(nullptr, kInfoWindowSize));
    EXPECT_EQ(std::nullopt, Info(FileEnd()));
}

} // namespace
