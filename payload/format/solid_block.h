#pragma once
// A solid block: payload files compressed together as one LZMA stream (or stored one after the
// other, in the data area: payload/format/data_extent.h), held in a TOOLKIT resource of its own
// that the manifest does not name, so that no installer ever writes it as a file. Each file in it
// keeps its own resource id and manifest entry; its resource is empty, which no installer takes for
// the file's bytes, since an empty file is stored as it is.
//
// The resource: a 20-byte head, the members, then the raw LZMA stream, which ends right after
// the last member's bytes, with or without an end mark; or, stored, the members' bytes as they are.
//   0  "KBS" and the format's version 1
//   4  the method: 1, LZMA; 0, stored (its properties are zero)
//   8  the number of members, at least 1
//   12 the five bytes of LZMA properties, then three zero bytes
//   20 for each member in the stream's order, 16 bytes: its resource id, its size, the CRC-32
//      of its contents, and its filter (0 none, 1 the x86 branch filter, applied per file)
// Every number is a little-endian 32-bit one.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr unsigned char kBlockMagic[4] = {'K', 'B', 'S', 1};
constexpr std::uint32_t kBlockMethodStored = 0;
constexpr std::uint32_t kBlockMethodLzma = 1;
constexpr std::size_t kBlockHeadSize = 20;
constexpr std::size_t kBlockMemberSize = 16;
constexpr std::size_t kLzmaPropertiesSize = 5;

enum class MemberFilter : std::uint32_t { kNone = 0, kBranchX86 = 1 };

struct BlockMember {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    MemberFilter filter = MemberFilter::kNone;
};

struct BlockHeader {
    std::uint32_t method = kBlockMethodLzma;
    unsigned char properties[kLzmaPropertiesSize] = {};
    std::vector<BlockMember> members;

    // Where the stream begins in the resource.
    std::size_t StreamOffset() const { return kBlockHeadSize + members.size() * kBlockMemberSize; }
    std::uint64_t UnpackedSize() const;
};

// True when data starts like a block; says nothing of the rest.
bool HasBlockMagic(const unsigned char* data, std::size_t size);

// Reads the head and the members of the resource data[0, size). False when it is not a block
// this installer can unpack: no magic, another method (or a stored block with a filter), no
// members, a member list that runs past the data, an empty member (an empty file is never packed in
// a block), an id twice, or a filter it does not know.
bool ReadBlockHeader(const unsigned char* data, std::size_t size, BlockHeader& header);

// The head and the members, as ReadBlockHeader reads them; the stream follows.
std::vector<unsigned char> WriteBlockHeader(const BlockHeader& header);
