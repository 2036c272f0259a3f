#include "shipping/packing/stored_block.h"

#include "payload/format/crc32.h"
#include "shipping/base/interruption.h"

#include <cerrno>
#include <cstring>

namespace kitbag {

namespace {

constexpr std::size_t kPiece = 1 << 20;

bool Checksum(const BlockFile& file, std::vector<unsigned char>& piece, std::uint32_t& crc,
              std::string& error) {
    ListedFile in;
    if (!in.Open(file.path, file.name, file.size, file.identity, error))
        return false;
    crc = 0;
    std::uint64_t total = 0;
    for (;;) {
        if (Interrupted()) {
            error = kInterruptedReason;
            return false;
        }
        const std::int64_t read = in.ReadFull(piece.data(), piece.size());
        if (read < 0) {
            error = "cannot read '" + file.path + "': " + std::strerror(errno);
            return false;
        }
        if (read == 0)
            break;
        crc = Crc32(crc, piece.data(), static_cast<std::size_t>(read));
        total += static_cast<std::uint64_t>(read);
    }
    if (total != file.size) {
        error = "'" + file.name + "' changed while it was being packed";
        return false;
    }
    return true;
}

} // namespace

bool StoredBlockHead(const std::vector<BlockFile>& files, Bytes& head, std::string& error) {
    BlockHeader header;
    header.method = kBlockMethodStored;
    std::vector<unsigned char> piece(kPiece);
    for (const BlockFile& file : files) {
        BlockMember member;
        member.id = file.id;
        member.size = static_cast<std::uint32_t>(file.size);
        if (!Checksum(file, piece, member.crc, error))
            return false;
        header.members.push_back(member);
    }
    head = WriteBlockHeader(header);
    return true;
}

} // namespace kitbag
