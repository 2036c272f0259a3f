#include "pe_image.h"

namespace {

bool Read16(const std::string& b, std::size_t at, std::uint16_t& v) {
    if (at > b.size() || b.size() - at < 2)
        return false;
    v = static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                   static_cast<unsigned char>(b[at + 1]) << 8);
    return true;
}

bool Read32(const std::string& b, std::size_t at, std::uint32_t& v) {
    std::uint16_t lo = 0;
    std::uint16_t hi = 0;
    if (!Read16(b, at, lo) || !Read16(b, at + 2, hi))
        return false;
    v = lo | static_cast<std::uint32_t>(hi) << 16;
    return true;
}

struct Section {
    std::uint32_t rva, size, fileOffset;
};

std::optional<std::size_t> RvaToOffset(const std::vector<Section>& sections, std::uint32_t rva) {
    for (const Section& s : sections) {
        if (rva >= s.rva && rva - s.rva < s.size)
            return static_cast<std::size_t>(s.fileOffset) + (rva - s.rva);
    }
    return std::nullopt;
}

} // namespace

std::optional<PeFacts> ReadPeFacts(const std::string& b) {
    std::uint32_t pe = 0;
    if (b.size() < 64 || b.compare(0, 2, "MZ") != 0 || !Read32(b, 0x3C, pe) || pe > b.size() ||
        b.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return std::nullopt;
    PeFacts facts;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalSize = 0;
    std::size_t optional = pe + 24;
    if (!Read16(b, pe + 4, facts.machine) || !Read16(b, pe + 6, sectionCount) ||
        !Read16(b, pe + 20, optionalSize) || !Read16(b, optional, facts.magic) ||
        !Read16(b, optional + 68, facts.subsystem) ||
        (facts.magic != 0x10B && facts.magic != 0x20B))
        return std::nullopt;
    // PE32+ has a wider image base and stack and heap sizes: its directories start 16 later.
    const std::size_t directories = optional + (facts.magic == 0x20B ? 112 : 96);
    facts.certificateEntry = directories + 4 * 8;
    if (!Read32(b, facts.certificateEntry + 4, facts.certificateTableSize))
        return std::nullopt;

    std::vector<Section> sections;
    std::size_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        Section s{};
        std::size_t at = table + i * 40u;
        if (!Read32(b, at + 12, s.rva) || !Read32(b, at + 16, s.size) ||
            !Read32(b, at + 20, s.fileOffset))
            return std::nullopt;
        sections.push_back(s);
    }
    std::uint32_t importRva = 0;
    if (!Read32(b, directories + 1 * 8, importRva) || importRva == 0)
        return facts;
    auto descriptor = RvaToOffset(sections, importRva);
    for (; descriptor; *descriptor += 20) {
        std::uint32_t nameRva = 0;
        if (!Read32(b, *descriptor + 12, nameRva) || nameRva == 0)
            break;
        auto name = RvaToOffset(sections, nameRva);
        if (!name || *name >= b.size())
            break;
        facts.imports.push_back(b.substr(*name, b.find('\0', *name) - *name));
    }
    return facts;
}
