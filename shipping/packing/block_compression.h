#pragma once
// Compressing payload files into a solid block (payload/format/solid_block.h): LZMA over the files
// in order, each run through the branch filter when it holds machine code.
#include "payload/format/solid_block.h"
#include "shipping/base/listed_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kitbag {

struct BlockFile {
    std::string path; // opened when the block is compressed
    std::string name; // as messages name it
    std::uint16_t id = 0;
    std::uint64_t size = 0; // as listed; any other size when it is read is an error
    MemberFilter filter = MemberFilter::kNone;
    FileIdentity identity = {}; // the file listed (unknown: not compared)
};

// The LZMA dictionary is the block's size, rounded up, but never more than this: an installer
// unpacking several blocks at once holds one dictionary for each.
constexpr std::uint32_t kMaxDictionaryBytes = 32u << 20;

// Compresses files, at least one and none empty, in order into one block resource written to
// the file at resourcePath; gives the resource's length. Fails, naming the file, when one
// cannot be read or its size is no longer the listed one, or when the output cannot be written.
bool CompressBlock(const std::vector<BlockFile>& files, const std::string& resourcePath,
                   std::uint64_t& length, std::string& error,
                   std::uint32_t dictionaryLimit = kMaxDictionaryBytes);

// Compresses a picture, the bytes of a bitmap resource, into a block of one member with that
// id, as the installer's pictures are stored (ui/picture_expansion.h). Fails only for want of
// memory.
bool CompressPicture(const std::vector<unsigned char>& bitmap, std::uint16_t id,
                     std::vector<unsigned char>& resource, std::string& error);

// Whether compressing the file is worth it: up to four pieces of 64 KiB, spread over the file
// (a smaller file whole), are compressed quickly, and data that gains less than 2% (already
// compressed, encrypted, random) is better stored. A file under 1 KiB always is, in a block
// with others.
bool WorthCompressing(const std::string& path, std::uint64_t size, std::string& error,
                      const FileIdentity& identity = {});

// Whether the file is a PE image for x86 or x64, whose code the branch filter helps.
bool HoldsX86Code(const std::string& path, const FileIdentity& identity = {});

} // namespace kitbag
