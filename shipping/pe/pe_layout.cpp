#include "shipping/pe/pe_layout.h"

#include <algorithm>

namespace kitbag {

namespace {

bool IsPowerOfTwo(std::uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

constexpr std::uint16_t kMachineI386 = 0x14C, kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMagicPe32 = 0x10B, kMagicPe32Plus = 0x20B;

} // namespace

const char* ArchitectureName(Architecture architecture) {
    return architecture == Architecture::X64 ? "x64" : "x86";
}

int PeLayout::SectionOfRva(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        std::uint32_t span = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span)
            return static_cast<int>(i);
    }
    return -1;
}

bool PeLayout::RvaToOffset(std::uint32_t rva, std::uint32_t length, std::size_t& offset) const {
    int index = SectionOfRva(rva);
    if (index < 0)
        return false;
    const Section& s = sections[index];
    std::uint64_t inSection = rva - s.virtualAddress;
    if (inSection + length > s.rawSize)
        return false;
    offset = static_cast<std::size_t>(s.rawPointer + inSection);
    return true;
}

std::size_t PeLayout::DataEnd() const {
    std::size_t end = sizeOfHeaders;
    for (const Section& s : sections)
        if (s.rawSize != 0)
            end = std::max<std::size_t>(end, static_cast<std::size_t>(s.rawPointer) + s.rawSize);
    return end;
}

bool ParsePe(const Bytes& image, PeLayout& layout, std::string& error) {
    return ParsePe(image, image.size(), layout, error);
}

bool ParsePe(const Bytes& image, std::uint64_t fileSize, PeLayout& layout, std::string& error) {
    layout = PeLayout{};
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') {
        error = "not an executable (no MZ header)";
        return false;
    }
    std::uint32_t peOffset = ReadU32(image, 60);
    if (!InBounds(image.size(), peOffset, 4 + 20) || ReadU32(image, peOffset) != 0x00004550) {
        error = "not a PE image (no PE signature)";
        return false;
    }
    layout.coffOffset = peOffset + 4;
    std::uint16_t machine = ReadU16(image, layout.coffOffset);
    if (machine != kMachineI386 && machine != kMachineAmd64) {
        error = "not an image for 32-bit Intel or x86-64 processors";
        return false;
    }
    layout.architecture = machine == kMachineAmd64 ? Architecture::X64 : Architecture::X86;
    std::uint16_t sectionCount = ReadU16(image, layout.coffOffset + 2);
    layout.symbolTablePointer = ReadU32(image, layout.coffOffset + 8);
    std::uint16_t optionalSize = ReadU16(image, layout.coffOffset + 16);
    layout.optionalOffset = layout.coffOffset + 20;
    const std::uint16_t magic =
        layout.architecture == Architecture::X64 ? kMagicPe32Plus : kMagicPe32;
    const std::size_t directoryStart = layout.DirectoryStart() - layout.optionalOffset;
    if (optionalSize < directoryStart ||
        !InBounds(image.size(), layout.optionalOffset, optionalSize) ||
        ReadU16(image, layout.optionalOffset) != magic) {
        error = layout.architecture == Architecture::X64
                    ? "not a PE32+ image (optional header missing or of another kind)"
                    : "not a PE32 image (optional header missing or of another kind)";
        return false;
    }
    layout.sectionAlignment = ReadU32(image, layout.optionalOffset + 32);
    layout.fileAlignment = ReadU32(image, layout.optionalOffset + 36);
    layout.sizeOfHeaders = ReadU32(image, layout.optionalOffset + 60);
    if (!IsPowerOfTwo(layout.fileAlignment) || !IsPowerOfTwo(layout.sectionAlignment) ||
        layout.fileAlignment > layout.sectionAlignment) {
        error = "the image's alignments are not powers of two";
        return false;
    }
    std::uint32_t directoryCount = ReadU32(image, layout.DirectoryStart() - 4);
    if (directoryCount < kBaseRelocationDirectory + 1 || directoryCount > 16 ||
        directoryStart + 8ull * directoryCount > optionalSize) {
        error = "the image's data directory is too short";
        return false;
    }
    for (std::uint32_t i = 0; i < directoryCount; ++i) {
        std::size_t at = layout.DirectoryOffset(static_cast<int>(i));
        layout.directories.push_back({ReadU32(image, at), ReadU32(image, at + 4)});
    }
    layout.sectionTableOffset = layout.optionalOffset + optionalSize;
    if (!InBounds(image.size(), layout.sectionTableOffset, 40ull * sectionCount) ||
        layout.sectionTableOffset + 40ull * sectionCount > layout.sizeOfHeaders) {
        error = "the section table does not fit the headers";
        return false;
    }
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        std::size_t at = layout.sectionTableOffset + 40u * i;
        Section s;
        for (int c = 0; c < 8 && image[at + c] != 0; ++c)
            s.name.push_back(static_cast<char>(image[at + c]));
        s.virtualSize = ReadU32(image, at + 8);
        s.virtualAddress = ReadU32(image, at + 12);
        s.rawSize = ReadU32(image, at + 16);
        s.rawPointer = ReadU32(image, at + 20);
        s.characteristics = ReadU32(image, at + 36);
        // Also checked when the section has no data: its raw pointer is still used in sums.
        if (s.rawPointer > fileSize || s.rawSize > fileSize - s.rawPointer) {
            error = "section '" + s.name + "' reaches beyond the end of the file";
            return false;
        }
        if (!layout.sections.empty() && s.virtualAddress < layout.sections.back().virtualAddress +
                                                               layout.sections.back().virtualSize) {
            error = "the sections are not in ascending address order";
            return false;
        }
        layout.sections.push_back(s);
    }
    return true;
}

// Folding the carries once at the end gives what folding them after every word gives: both
// keep the sum's remainder modulo 0xFFFF, and both are zero only when every word is.
void PeChecksumSum::Add(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    if (size != 0 && m_length % 2 != 0) {
        m_sum += std::uint64_t{data[0]} << 8;
        at = 1;
    }
    std::uint64_t sum = 0;
    for (; at + 1 < size; at += 2)
        sum += data[at] | (std::uint32_t{data[at + 1]} << 8);
    if (at < size)
        sum += data[at];
    // 16-bit words: even 2^47 of them cannot carry out of 64 bits.
    m_sum += sum;
    m_length += size;
}

std::uint32_t PeChecksumSum::Checksum() const {
    std::uint64_t sum = m_sum;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + m_length);
}

std::uint32_t PeChecksum(const Bytes& image, std::size_t checksumOffset) {
    if (image.empty())
        return 0;
    PeChecksumSum sum;
    const std::size_t field = std::min(checksumOffset, image.size());
    const std::size_t after = std::min(field + 4, image.size());
    const std::uint8_t zeros[4] = {};
    sum.Add(image.data(), field);
    sum.Add(zeros, after - field);
    sum.Add(image.data() + after, image.size() - after);
    return sum.Checksum();
}

void UpdateChecksum(Bytes& image, const PeLayout& layout) {
    WriteU32(image, layout.ChecksumOffset(), PeChecksum(image, layout.ChecksumOffset()));
}

} // namespace kitbag
