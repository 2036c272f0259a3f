#pragma once
// A block in the data area: payload that would make the image too large for a 32-bit process
// lies after the image's sections, in the file only (the loader maps none of it, the signature
// covers it). Each solid block there (payload/format/solid_block.h) has a TOOLKIT resource of
// its own that the manifest does not name, holding only where the block lies:
//   0  "KBX" and the format's version 1
//   4  0
//   8  the block's offset from the data area's start, a little-endian 64-bit number
//   16 the block's size, likewise
// The data area starts where the raw data of the image's last section in the file ends.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr unsigned char kExtentMagic[4] = {'K', 'B', 'X', 1};
constexpr std::size_t kExtentSize = 24;

struct DataExtent {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// False when data[0, size) is not an extent record: its magic, its zero and its length.
bool ReadDataExtent(const unsigned char* data, std::size_t size, DataExtent& extent);
std::vector<unsigned char> WriteDataExtent(const DataExtent& extent);
