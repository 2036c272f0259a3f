#include "payload/format/solid_block.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t ReadU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void AppendU32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

std::uint64_t BlockHeader::UnpackedSize() const {
    std::uint64_t total = 0;
    for (const BlockMember& member : members)
        total += member.size;
    return total;
}

bool HasBlockMagic(const unsigned char* data, std::size_t size) {
    return size >= sizeof kBlockMagic && std::memcmp(data, kBlockMagic, sizeof kBlockMagic) == 0;
}

bool ReadBlockHeader(const unsigned char* data, std::size_t size, BlockHeader& header) {
    if (size < kBlockHeadSize || !HasBlockMagic(data, size))
        return false;
    header.method = ReadU32(data + 4);
    const std::uint32_t count = ReadU32(data + 8);
    std::memcpy(header.properties, data + 12, kLzmaPropertiesSize);
    if ((header.method != kBlockMethodLzma && header.method != kBlockMethodStored) || count == 0 ||
        count > (size - kBlockHeadSize) / kBlockMemberSize)
        return false;
    header.members.clear();
    header.members.reserve(count);
    std::vector<std::uint32_t> ids;
    ids.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* at = data + kBlockHeadSize + i * kBlockMemberSize;
        BlockMember member;
        member.id = ReadU32(at);
        member.size = ReadU32(at + 4);
        member.crc = ReadU32(at + 8);
        const std::uint32_t filter = ReadU32(at + 12);
        if (filter > static_cast<std::uint32_t>(MemberFilter::kBranchX86) ||
            (header.method == kBlockMethodStored && filter != 0))
            return false;
        if (member.size == 0)
            return false;
        member.filter = static_cast<MemberFilter>(filter);
        header.members.push_back(member);
        ids.push_back(member.id);
    }
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

std::vector<unsigned char> WriteBlockHeader(const BlockHeader& header) {
    std::vector<unsigned char> out(kBlockMagic, kBlockMagic + sizeof kBlockMagic);
    AppendU32(out, header.method);
    AppendU32(out, static_cast<std::uint32_t>(header.members.size()));
    out.insert(out.end(), header.properties, header.properties + kLzmaPropertiesSize);
    out.insert(out.end(), 3, 0);
    for (const BlockMember& member : header.members) {
        AppendU32(out, member.id);
        AppendU32(out, member.size);
        AppendU32(out, member.crc);
        AppendU32(out, static_cast<std::uint32_t>(member.filter));
    }
    return out;
}
