#include "tools/kitbag/resource_section.h"

#include <algorithm>
#include <limits>

namespace kitbag {

namespace {

constexpr std::uint32_t kInitializedData = 0x00000040;

// Only sections whose contents do not depend on their own address may move: the base
// relocations describe places in other sections.
bool Movable(const PeLayout& layout, std::size_t index) {
    return layout.Dir(kBaseRelocationDirectory).address == layout.sections[index].virtualAddress;
}

} // namespace

bool ReplaceResources(const Bytes& image, const ResourceTree& tree, Bytes& out,
                      std::string& error) {
    PeLayout layout;
    if (!ParsePe(image, layout, error))
        return false;
    if (layout.Dir(kSecurityDirectory).size != 0) {
        error = "the image is signed already; start from an unsigned one";
        return false;
    }
    Directory resources = layout.Dir(kResourceDirectory);
    int rsrc = layout.SectionOfRva(resources.address);
    if (resources.address == 0 || rsrc < 0 ||
        layout.sections[rsrc].virtualAddress != resources.address) {
        error = "the image has no resource section of its own";
        return false;
    }
    for (std::size_t i = rsrc + 1; i < layout.sections.size(); ++i) {
        if (!Movable(layout, i)) {
            error = "section '" + layout.sections[i].name +
                    "' follows the resources and cannot be moved";
            return false;
        }
    }
    for (int d = 0; d < static_cast<int>(layout.directories.size()); ++d) {
        Directory dir = layout.directories[d];
        if (d == kResourceDirectory || d == kBaseRelocationDirectory || d == kSecurityDirectory ||
            dir.address == 0)
            continue;
        int at = layout.SectionOfRva(dir.address);
        if (at >= rsrc) {
            error = "data directory " + std::to_string(d) + " points into a section that moves";
            return false;
        }
    }
    // A COFF symbol table after the sections is dropped; anything else there is refused.
    std::size_t rawEnd = layout.DataEnd();
    if (image.size() > rawEnd && layout.symbolTablePointer < rawEnd) {
        error = "the image carries data after its last section";
        return false;
    }

    const Section& old = layout.sections[rsrc];
    // Everything before the resource section's data is kept as it stands, so the headers
    // and the earlier sections' data must all lie there.
    std::size_t keptEnd = layout.sizeOfHeaders;
    for (int i = 0; i < rsrc; ++i)
        if (layout.sections[i].rawSize != 0)
            keptEnd = std::max<std::size_t>(
                keptEnd, static_cast<std::size_t>(layout.sections[i].rawPointer) +
                             layout.sections[i].rawSize);
    if (old.rawPointer < keptEnd) {
        error = "the resource section's data overlaps the headers or an earlier section";
        return false;
    }
    Bytes contents = BuildResourceSection(tree, old.virtualAddress);
    std::uint64_t rawSize = AlignUp(contents.size(), layout.fileAlignment);
    if (old.rawPointer + rawSize > std::numeric_limits<std::uint32_t>::max() / 2) {
        error = "the resources would make the image larger than 2 GiB";
        return false;
    }

    out.assign(image.begin(), image.begin() + old.rawPointer);
    std::vector<Section> sections(layout.sections.begin(), layout.sections.begin() + rsrc);
    Section placed = old;
    placed.virtualSize = static_cast<std::uint32_t>(contents.size());
    placed.rawSize = static_cast<std::uint32_t>(rawSize);
    sections.push_back(placed);
    out.insert(out.end(), contents.begin(), contents.end());
    out.resize(placed.rawPointer + rawSize, 0);

    std::uint32_t relocations = 0;
    for (std::size_t i = rsrc + 1; i < layout.sections.size(); ++i) {
        const Section& previous = sections.back();
        Section moved = layout.sections[i];
        moved.virtualAddress = static_cast<std::uint32_t>(
            AlignUp(static_cast<std::uint64_t>(previous.virtualAddress) + previous.virtualSize,
                    layout.sectionAlignment));
        moved.rawPointer = static_cast<std::uint32_t>(out.size());
        out.insert(out.end(), image.begin() + layout.sections[i].rawPointer,
                   image.begin() + layout.sections[i].rawPointer + moved.rawSize);
        relocations = moved.virtualAddress;
        sections.push_back(moved);
    }

    std::uint32_t initializedData = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        std::size_t at = layout.sectionTableOffset + 40 * i;
        WriteU32(out, at + 8, s.virtualSize);
        WriteU32(out, at + 12, s.virtualAddress);
        WriteU32(out, at + 16, s.rawSize);
        WriteU32(out, at + 20, s.rawPointer);
        if (s.characteristics & kInitializedData)
            initializedData += s.rawSize;
    }
    const Section& last = sections.back();
    WriteU32(out, layout.optionalOffset + 8, initializedData);
    WriteU32(out, layout.optionalOffset + 56,
             static_cast<std::uint32_t>(
                 AlignUp(static_cast<std::uint64_t>(last.virtualAddress) + last.virtualSize,
                         layout.sectionAlignment)));
    WriteU32(out, layout.DirectoryOffset(kResourceDirectory), placed.virtualAddress);
    WriteU32(out, layout.DirectoryOffset(kResourceDirectory) + 4, placed.virtualSize);
    if (relocations != 0)
        WriteU32(out, layout.DirectoryOffset(kBaseRelocationDirectory), relocations);
    WriteU32(out, layout.coffOffset + 8, 0);  // PointerToSymbolTable
    WriteU32(out, layout.coffOffset + 12, 0); // NumberOfSymbols

    PeLayout written;
    if (!ParsePe(out, written, error))
        return false;
    UpdateChecksum(out, written);
    return true;
}

} // namespace kitbag
