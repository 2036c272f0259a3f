#pragma once
// A picture stored compressed: a solid block (payload/format/solid_block.h) of one member, whose
// contents are what an RT_BITMAP resource holds, a DIB: a BITMAPINFOHEADER (or a later, longer
// one), the colour table, then the rows of pixels.
#include <cstddef>
#include <cstdint>
#include <memory>

struct ExpandedPicture {
    std::unique_ptr<unsigned char[]> dib; // starts with the header, as BITMAPINFO does
    std::size_t size = 0;
    std::size_t pixelOffset = 0; // where the rows begin in dib
    std::size_t pixelBytes = 0;  // all the rows, each padded to 4 bytes
};

// Expands the picture resource data[0, size) stored under id. False when it is not a block of
// exactly one member of that id, when the block is damaged, when there is no memory for it, or
// when its DIB is not one of uncompressed (BI_RGB) 16-, 24- or 32-bit rows that it holds whole;
// picture, a fresh one, is then of no use.
bool ExpandPicture(const unsigned char* data, std::size_t size, std::uint32_t id,
                   ExpandedPicture& picture);
