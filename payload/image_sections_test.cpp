#include "payload/image_sections.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageSections, OnlyBytesThatCameFromTheFileHaveAnOffset) {
    // .text, then .rsrc whose last 0x800 bytes the loader makes (virtual past raw), then a
    // section whose virtual size is 0 (the raw size counts).
    const std::vector<ImageSection> sections = {{0x1000, 0x1800, 0x400, 0x2000},
                                                {0x3000, 0x2800, 0x2400, 0x2000},
                                                {0x6000, 0, 0x4400, 0x200}};
    const struct {
        std::uint32_t rva;
        std::uint64_t size;
        bool found;
        std::uint64_t offset;
    } rows[] = {
        {0x1000, 0x10, true, 0x400},
        {0x27F0, 0x10, true, 0x1BF0}, // the end of .text's bytes
        {0x27F0, 0x11, false, 0},
        {0x3000, 0x2000, true, 0x2400},
        {0x4FFF, 2, false, 0},
        {0x5000, 1, false, 0}, // made by the loader
        {0x6100, 0x100, true, 0x4500},
        {0x6100, 0x101, false, 0},
        {0x0800, 1, false, 0}, // the headers
        {0x3000, 0xFFFFFFFFFFull, false, 0},
    };
    for (const auto& row : rows) {
        std::uint64_t offset = 0;
        EXPECT_EQ(FileOffsetOfRva(sections, row.rva, row.size, offset), row.found)
            << std::hex << row.rva;
        if (row.found) {
            EXPECT_EQ(offset, row.offset) << std::hex << row.rva;
        }
    }
}

} // namespace
