#pragma once
// Puts a new resource tree into an unsigned PE32 image: the resource section is rebuilt in
// place and the base-relocation section that may follow it is moved along.
#include "shipping/pe/resource_tree.h"

#include <iosfwd>

namespace kitbag {

// What the image with the new tree is made of, checked before anything is written. It points
// into the tree, which must outlive it.
struct ResourceReplacement {
    Bytes head; // the image up to the resource section's data, headers updated, checksum zero
    ResourceSectionLayout resources;
    std::uint64_t resourcesRawSize = 0; // the section's data padded to the file alignment
    Bytes tail;                         // the raw data of the sections after it, which move along
    std::size_t checksumOffset = 0;
    // What follows the last section in the file, in order: the data area, padded with zeros to
    // an 8-byte boundary, where a certificate table may start.
    std::vector<ResourceData> dataArea;
};

bool PrepareReplacement(const Bytes& image, const ResourceTree& tree,
                        ResourceReplacement& replacement, std::string& error);
// The size of the file that WriteReplacement writes.
std::uint64_t ReplacementSize(const ResourceReplacement& replacement);
// Puts pieces after the sections as the data area; false, saying so, when the file would be
// larger than maxBytes.
bool AddDataArea(ResourceReplacement& replacement, std::vector<ResourceData> pieces,
                 std::uint64_t maxBytes, std::string& error);

// Writes the new image to out, which must be seekable: the checksum is summed on the way and
// put into the headers at the end. The data of a resource held as a file are copied in
// pieces; a file whose size is not the one listed is an error that names it.
bool WriteReplacement(const ResourceReplacement& replacement, std::ostream& out,
                      std::string& error);

// Both steps, into memory.
bool ReplaceResources(const Bytes& image, const ResourceTree& tree, Bytes& out, std::string& error);

} // namespace kitbag
