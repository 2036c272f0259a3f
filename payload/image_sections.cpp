#include "payload/image_sections.h"

#include <algorithm>

bool FileOffsetOfRva(const std::vector<ImageSection>& sections, std::uint32_t rva,
                     std::uint64_t size, std::uint64_t& offset) {
    for (const ImageSection& section : sections) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t into = rva - section.virtualAddress;
        // Past the raw size the loader fills with zeros; a virtual size of 0 means the raw one.
        const std::uint32_t loaded =
            section.virtualSize != 0 ? section.virtualSize : section.rawSize;
        const std::uint64_t inFile = std::min(section.rawSize, loaded);
        if (into < inFile && size <= inFile - into) {
            offset = section.rawOffset + into;
            return true;
        }
    }
    return false;
}
