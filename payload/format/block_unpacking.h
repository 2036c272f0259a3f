#pragma once
// Unpacking a solid block (payload/format/solid_block.h) member by member, in pieces, into a sink
// that writes each member's file.
//
// The stream is decoded into a dictionary of the block's size (or the stream's dictionary
// size, when that is smaller), so that a block can be decoded ahead, before anything may be
// written: as far as the dictionary goes, which is all of it for every block that is not
// larger than its dictionary. The sink says when writing may begin. A stored block is only
// copied, once writing may begin.
#include "payload/format/solid_block.h"

// The most bytes handed to the sink at once.
constexpr std::size_t kUnpackPiece = 64 * 1024;

enum class MemberResult {
    kUnpacked,
    kDamaged,       // the stream is not LZMA, ends early or runs on past the last member
    kWrongChecksum, // the contents' CRC-32 is not the member's
    kNoMemory,      // no memory for the decoder
    kWriteFailed,   // the sink could not take the member
    kStopped,       // the sink asked to stop before the member was done
};

// Why, as the log and the listing say it.
const wchar_t* DescribeMemberResult(MemberResult result);

// Receives a block's members in the stream's order.
class BlockSink {
public:
    // Blocks until the members may be written; false ends every member with kStopped. Asked
    // once, after the block has been decoded as far as its dictionary goes.
    virtual bool WaitUntilWritable() { return true; }
    // The member's bytes are about to come; false drops them, and the member ends kWriteFailed.
    virtual bool Begin(const BlockMember& member) = 0;
    // The member's next bytes; false drops the rest, and the member ends kWriteFailed.
    virtual bool Write(const unsigned char* bytes, std::size_t count) = 0;
    // Once for every member, in order, whatever happened to the ones before.
    virtual void End(const BlockMember& member, MemberResult result) = 0;
    // Asked between pieces: true ends every member not yet done with kStopped.
    virtual bool Stopped() { return false; }

protected:
    ~BlockSink() = default;
};

// Where a block's bytes are read from, in pieces.
class BlockSource {
public:
    // Copies up to count of the block's bytes from offset on into buffer; the number copied,
    // 0 past the end or when they cannot be read.
    virtual std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) = 0;

protected:
    ~BlockSource() = default;
};

// The dictionary a block's decoder holds: the memory that unpacking it takes, or 0 when its
// properties are not LZMA's or it is stored.
std::uint64_t DictionaryBytes(const BlockHeader& header);

// Unpacks the block resource data[0, size), whose header is given, into sink. A member is
// unpacked when all its bytes came out of the stream and their CRC-32 is its own. Once the
// stream fails, every member not complete before the piece of kUnpackPiece bytes in which it
// failed is damaged. A stream that does not end exactly after the last member's bytes (an end
// mark may follow them) damages the last member.
void UnpackBlock(const unsigned char* data, std::size_t size, const BlockHeader& header,
                 BlockSink& sink);
// The same, the block's size bytes read from source a piece at a time; bytes that cannot be
// read count as a stream that ends early.
void UnpackBlock(BlockSource& source, std::uint64_t size, const BlockHeader& header,
                 BlockSink& sink);

// Reads a block's head and members from source, which holds size bytes (a block in the data
// area); false as ReadBlockHeader says, or when they cannot be read.
bool ReadBlockHeader(BlockSource& source, std::uint64_t size, BlockHeader& header);
