#pragma once
// Where a part of a loaded image came from in the image's file, by its section table.
#include <cstdint>
#include <vector>

struct ImageSection {
    std::uint32_t virtualAddress = 0; // where the loader put it, from the image's base
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0; // where its bytes are in the file
    std::uint32_t rawSize = 0;
};

// The file offset of the image's bytes [rva, rva + size); false when they do not all come from
// the file part of one section (bytes the loader made up, the headers, or past the end).
bool FileOffsetOfRva(const std::vector<ImageSection>& sections, std::uint32_t rva,
                     std::uint64_t size, std::uint64_t& offset);
