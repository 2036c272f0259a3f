#pragma once
// A payload file stored compressed: its TOOLKIT resource holds a 16-byte header and then the
// file's contents as a raw deflate stream (RFC 1951). The header is "KBZ" and the format's
// version byte, then three little-endian 32-bit numbers: the method, the contents' size and
// their CRC-32 (zlib's crc32). The manifest keeps the size of the file as written.
#include <cstddef>
#include <cstdint>
#include <functional>

constexpr std::size_t kCompressedHeaderSize = 16;
constexpr unsigned char kCompressedMagic[4] = {'K', 'B', 'Z', 1};
// zlib's Z_DEFLATED: a raw deflate stream with a 32 KiB window.
constexpr std::uint32_t kCompressedMethodDeflate = 8;
// The most bytes handed to the writer at once.
constexpr std::size_t kUnpackPiece = 64 * 1024;

struct CompressedHeader {
    std::uint32_t method = kCompressedMethodDeflate;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
};

// A resource holds a compressed file only when its size differs from the manifest's and it
// starts with the magic. One whose size is the manifest's holds the file's own bytes, whatever
// they begin with: a packer never makes a compressed resource of the file's size, so an
// installer that knows nothing of compression fails on it instead of writing it.
bool IsCompressedResource(const unsigned char* data, std::size_t size, std::uint32_t manifestSize);

void WriteCompressedHeader(const CompressedHeader& header,
                           unsigned char (&out)[kCompressedHeaderSize]);
// False when fewer than kCompressedHeaderSize bytes are given or they lack the magic.
bool ReadCompressedHeader(const unsigned char* data, std::size_t size, CompressedHeader& header);

enum class UnpackResult {
    kUnpacked,
    kBadHeader,     // too short for a header, or no magic
    kUnknownMethod, // a method this installer cannot inflate
    kWrongSize,     // the header's size or the stream's length is not the manifest's size
    kDamagedStream, // not a deflate stream, cut short, or followed by more bytes
    kWrongChecksum, // the contents' CRC-32 is not the header's
    kNoMemory,      // zlib could not have its state
    kWriteFailed,   // the writer said no
};

// Why, as the log and the listing say it.
const wchar_t* DescribeUnpackResult(UnpackResult result);

// Gets bytes of the file in order; false stops the unpacking.
using UnpackWriter = std::function<bool(const unsigned char* bytes, std::size_t count)>;

// Inflates the resource data[0, size) (header and stream) into write, at most kUnpackPiece
// bytes a call, never more than manifestSize bytes in all. The header must give manifestSize,
// the stream must end exactly at the end of the data having yielded that many bytes, and their
// CRC-32 must be the header's. written: the bytes handed to write, whatever the result.
UnpackResult UnpackCompressed(const unsigned char* data, std::size_t size,
                              std::uint32_t manifestSize, const UnpackWriter& write,
                              std::uint64_t& written);
