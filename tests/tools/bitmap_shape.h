#pragma once
// The dimensions of an RT_BITMAP resource, read from the header at its start.
#include <cstddef>
#include <cstdint>
#include <optional>

struct BitmapShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0; // positive also for a top-down bitmap
    std::uint32_t bitsPerPixel = 0;
};

// Understands BITMAPINFOHEADER and its larger successors, and the old BITMAPCOREHEADER.
// Answers nothing for data too short for the header it announces.
std::optional<BitmapShape> ReadBitmapShape(const unsigned char* data, std::size_t size);
