#pragma once
// The parts of a PE32 or PE32+ image that packing and tagging change: headers, section
// table, data directories, checksum.
#include "shipping/base/bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kitbag {

constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;
constexpr int kBaseRelocationDirectory = 5;

struct Section {
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t characteristics = 0;
};

struct Directory {
    std::uint32_t address = 0; // an RVA, except for the security directory: a file offset
    std::uint32_t size = 0;
};

// The two kinds of image the installer is built as.
enum class Architecture { X86, X64 };
const char* ArchitectureName(Architecture architecture); // "x86" or "x64"

struct PeLayout {
    Architecture architecture = Architecture::X86; // 32-bit Intel PE32 or x86-64 PE32+
    std::size_t coffOffset = 0;                    // just after "PE\0\0"
    std::size_t optionalOffset = 0;                // the optional header
    std::size_t sectionTableOffset = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t symbolTablePointer = 0;
    std::vector<Directory> directories;
    std::vector<Section> sections;

    std::size_t ChecksumOffset() const { return optionalOffset + 64; }
    // PE32+ widens the image base and the four stack and heap sizes by 4 bytes each, and
    // drops the base of data: the data directory starts 16 bytes later.
    std::size_t DirectoryStart() const {
        return optionalOffset + (architecture == Architecture::X64 ? 112 : 96);
    }
    std::size_t DirectoryOffset(int index) const { return DirectoryStart() + 8 * index; }
    Directory Dir(int index) const {
        return index < static_cast<int>(directories.size()) ? directories[index] : Directory{};
    }
    // The index of the section whose virtual range holds rva, or -1.
    int SectionOfRva(std::uint32_t rva) const;
    // The file offset of rva, or false when no section's raw data holds `length` bytes there.
    bool RvaToOffset(std::uint32_t rva, std::uint32_t length, std::size_t& offset) const;
    // One past the headers and every section's raw data.
    std::size_t DataEnd() const;
};

// Reads and checks the headers of a 32-bit Intel PE32 or an x86-64 PE32+ image; false with a
// reason otherwise.
bool ParsePe(const Bytes& image, PeLayout& layout, std::string& error);
// The same from the file's first bytes (at least its headers and section table) and its size.
bool ParsePe(const Bytes& head, std::uint64_t fileSize, PeLayout& layout, std::string& error);

// The image checksum: 16-bit one's-complement-style sum of the file with the checksum field
// taken as zero, plus the file length.
std::uint32_t PeChecksum(const Bytes& image, std::size_t checksumOffset);
// The same checksum taken over a file given in pieces, in order from its start; the pieces
// must hold zeros where the checksum field lies.
class PeChecksumSum {
public:
    void Add(const std::uint8_t* data, std::size_t size);
    std::uint32_t Checksum() const;

private:
    std::uint64_t m_sum = 0;
    std::uint64_t m_length = 0;
};
void UpdateChecksum(Bytes& image, const PeLayout& layout);

} // namespace kitbag
