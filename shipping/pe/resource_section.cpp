#include "shipping/pe/resource_section.h"

#include "shipping/base/interruption.h"
#include "shipping/base/utf8_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace kitbag {

namespace {

constexpr std::uint32_t kInitializedData = 0x00000040;

// Only sections whose contents do not depend on their own address may move: the base
// relocations describe places in other sections.
bool Movable(const PeLayout& layout, std::size_t index) {
    return layout.Dir(kBaseRelocationDirectory).address == layout.sections[index].virtualAddress;
}

} // namespace

bool PrepareReplacement(const Bytes& image, const ResourceTree& tree,
                        ResourceReplacement& replacement, std::string& error) {
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
    ResourceSectionLayout contents = LayOutResourceSection(tree, old.virtualAddress);
    std::uint64_t rawSize = AlignUp(contents.size, layout.fileAlignment);
    if (old.rawPointer + rawSize > std::numeric_limits<std::uint32_t>::max() / 2) {
        error = "the resources would make the image larger than 2 GiB";
        return false;
    }

    Bytes out(image.begin(), image.begin() + old.rawPointer);
    std::vector<Section> sections(layout.sections.begin(), layout.sections.begin() + rsrc);
    Section placed = old;
    placed.virtualSize = static_cast<std::uint32_t>(contents.size);
    placed.rawSize = static_cast<std::uint32_t>(rawSize);
    sections.push_back(placed);

    replacement.tail.clear();
    std::uint64_t end = placed.rawPointer + rawSize;
    std::uint32_t relocations = 0;
    for (std::size_t i = rsrc + 1; i < layout.sections.size(); ++i) {
        const Section& previous = sections.back();
        Section moved = layout.sections[i];
        moved.virtualAddress = static_cast<std::uint32_t>(
            AlignUp(static_cast<std::uint64_t>(previous.virtualAddress) + previous.virtualSize,
                    layout.sectionAlignment));
        moved.rawPointer = static_cast<std::uint32_t>(end);
        replacement.tail.insert(replacement.tail.end(),
                                image.begin() + layout.sections[i].rawPointer,
                                image.begin() + layout.sections[i].rawPointer + moved.rawSize);
        end += moved.rawSize;
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
    WriteU32(out, layout.ChecksumOffset(), 0);

    replacement.head = std::move(out);
    replacement.resources = std::move(contents);
    replacement.resourcesRawSize = rawSize;
    replacement.checksumOffset = layout.ChecksumOffset();
    return true;
}

std::uint64_t ReplacementSize(const ResourceReplacement& replacement) {
    std::uint64_t size =
        replacement.head.size() + replacement.resourcesRawSize + replacement.tail.size();
    if (replacement.dataArea.empty())
        return size;
    for (const ResourceData& piece : replacement.dataArea)
        size += piece.Size();
    return AlignUp(size, 8);
}

bool AddDataArea(ResourceReplacement& replacement, std::vector<ResourceData> pieces,
                 std::uint64_t maxBytes, std::string& error) {
    replacement.dataArea = std::move(pieces);
    const std::uint64_t size = ReplacementSize(replacement);
    if (size > maxBytes) {
        error = "the installer would hold " + std::to_string(size) + " bytes, more than the " +
                std::to_string(maxBytes) + " that leave room for its signature under 4 GiB";
        return false;
    }
    return true;
}

namespace {

// The output with the checksum summed on the way.
class ImageWriter {
public:
    explicit ImageWriter(std::ostream& out) : m_out(out) {}

    void Put(const std::uint8_t* data, std::size_t size) {
        m_out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        m_sum.Add(data, size);
        m_written += size;
    }
    void Zeros(std::uint64_t count) {
        static const std::uint8_t zeros[4096] = {};
        for (; count > 0 && m_out; count -= std::min<std::uint64_t>(count, sizeof zeros))
            Put(zeros, static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof zeros)));
    }
    std::uint64_t Written() const { return m_written; }
    std::uint32_t Checksum() const { return m_sum.Checksum(); }
    bool Good() const { return static_cast<bool>(m_out); }

private:
    std::ostream& m_out;
    PeChecksumSum m_sum;
    std::uint64_t m_written = 0;
};

constexpr std::size_t kPieceBytes = 1 << 20;
constexpr const char* kCannotWrite = "cannot write the image";

bool CopyContents(const FileContents& file, ImageWriter& writer, std::vector<std::uint8_t>& piece,
                  std::string& error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(PathOf(file.path), ignored)) {
        error = "'" + file.path + "' is a folder, not a file";
        return false;
    }
    ListedFile in;
    if (!in.Open(file.path, file.name, file.size, file.identity, error))
        return false;
    const std::string changed = "'" + file.name + "' changed while it was being packed";
    for (std::uint64_t left = file.size; left > 0;) {
        if (!writer.Good()) {
            error = kCannotWrite;
            return false;
        }
        if (Interrupted()) {
            error = kInterruptedReason;
            return false;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kPieceBytes));
        const std::int64_t read = in.ReadFull(piece.data(), want);
        if (read < 0) {
            error = "cannot read '" + file.path + "': " + std::strerror(errno);
            return false;
        }
        const std::size_t got = static_cast<std::size_t>(read);
        if (got != want) {
            error = changed;
            return false;
        }
        writer.Put(piece.data(), got);
        left -= got;
    }
    std::uint8_t more = 0;
    const std::int64_t extra = in.Read(&more, 1);
    if (extra != 0) {
        error = extra < 0 ? "cannot read '" + file.path + "': " + std::strerror(errno) : changed;
        return false;
    }
    return true;
}

} // namespace

bool WriteReplacement(const ResourceReplacement& replacement, std::ostream& out,
                      std::string& error) {
    ImageWriter writer(out);
    writer.Put(replacement.head.data(), replacement.head.size());
    const std::uint64_t section = writer.Written();
    writer.Put(replacement.resources.head.data(), replacement.resources.head.size());
    std::vector<std::uint8_t> piece;
    for (const auto& [at, data] : replacement.resources.data) {
        if (!writer.Good())
            break;
        writer.Zeros(section + at - writer.Written());
        if (!data->file) {
            writer.Put(data->bytes.data(), data->bytes.size());
            continue;
        }
        piece.resize(kPieceBytes);
        if (!CopyContents(*data->file, writer, piece, error))
            return false;
    }
    writer.Zeros(section + replacement.resourcesRawSize - writer.Written());
    writer.Put(replacement.tail.data(), replacement.tail.size());
    for (const ResourceData& part : replacement.dataArea) {
        if (!writer.Good())
            break;
        if (!part.file) {
            writer.Put(part.bytes.data(), part.bytes.size());
            continue;
        }
        piece.resize(kPieceBytes);
        if (!CopyContents(*part.file, writer, piece, error))
            return false;
    }
    if (!replacement.dataArea.empty())
        writer.Zeros(AlignUp(writer.Written(), 8) - writer.Written());

    const std::uint32_t checksum = writer.Checksum();
    const std::uint8_t field[4] = {
        static_cast<std::uint8_t>(checksum), static_cast<std::uint8_t>(checksum >> 8),
        static_cast<std::uint8_t>(checksum >> 16), static_cast<std::uint8_t>(checksum >> 24)};
    if (out) {
        out.seekp(static_cast<std::streamoff>(replacement.checksumOffset));
        out.write(reinterpret_cast<const char*>(field), sizeof field);
    }
    if (!out) {
        error = kCannotWrite;
        return false;
    }
    return true;
}

bool ReplaceResources(const Bytes& image, const ResourceTree& tree, Bytes& out,
                      std::string& error) {
    ResourceReplacement replacement;
    std::ostringstream written(std::ios::binary);
    if (!PrepareReplacement(image, tree, replacement, error) ||
        !WriteReplacement(replacement, written, error))
        return false;
    const std::string bytes = written.str();
    out.assign(bytes.begin(), bytes.end());
    return true;
}

} // namespace kitbag
