#include "payload/compressed_payload.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace {

std::uint32_t ReadU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

void WriteU32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Ends the inflate state however the unpacking ends.
class Inflater {
public:
    bool Start() {
        m_started = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK;
        return m_started;
    }
    ~Inflater() {
        if (m_started)
            inflateEnd(&m_stream);
    }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream = {};
    bool m_started = false;
};

} // namespace

bool IsCompressedResource(const unsigned char* data, std::size_t size, std::uint32_t manifestSize) {
    return size != manifestSize && size >= sizeof kCompressedMagic &&
           std::memcmp(data, kCompressedMagic, sizeof kCompressedMagic) == 0;
}

void WriteCompressedHeader(const CompressedHeader& header,
                           unsigned char (&out)[kCompressedHeaderSize]) {
    std::memcpy(out, kCompressedMagic, sizeof kCompressedMagic);
    WriteU32(out + 4, header.method);
    WriteU32(out + 8, header.size);
    WriteU32(out + 12, header.crc);
}

bool ReadCompressedHeader(const unsigned char* data, std::size_t size, CompressedHeader& header) {
    if (size < kCompressedHeaderSize ||
        std::memcmp(data, kCompressedMagic, sizeof kCompressedMagic) != 0)
        return false;
    header.method = ReadU32(data + 4);
    header.size = ReadU32(data + 8);
    header.crc = ReadU32(data + 12);
    return true;
}

const wchar_t* DescribeUnpackResult(UnpackResult result) {
    switch (result) {
    case UnpackResult::kUnpacked:
        return L"unpacked";
    case UnpackResult::kBadHeader:
        return L"the compressed data have no header";
    case UnpackResult::kUnknownMethod:
        return L"the compression method is unknown";
    case UnpackResult::kWrongSize:
        return L"the compressed data do not hold the manifest's size";
    case UnpackResult::kDamagedStream:
        return L"the compressed data are damaged";
    case UnpackResult::kWrongChecksum:
        return L"the unpacked contents fail their checksum";
    case UnpackResult::kNoMemory:
        return L"no memory to unpack";
    case UnpackResult::kWriteFailed:
        return L"the unpacked contents cannot be written";
    }
    return L"unknown";
}

UnpackResult UnpackCompressed(const unsigned char* data, std::size_t size,
                              std::uint32_t manifestSize, const UnpackWriter& write,
                              std::uint64_t& written) {
    written = 0;
    CompressedHeader header;
    if (!ReadCompressedHeader(data, size, header))
        return UnpackResult::kBadHeader;
    if (header.method != kCompressedMethodDeflate)
        return UnpackResult::kUnknownMethod;
    if (header.size != manifestSize)
        return UnpackResult::kWrongSize;

    Inflater inflater;
    std::unique_ptr<unsigned char[]> piece(new (std::nothrow) unsigned char[kUnpackPiece]);
    if (!piece || !inflater.Start())
        return UnpackResult::kNoMemory;
    z_stream& stream = inflater.stream();
    const unsigned char* next = data + kCompressedHeaderSize;
    std::size_t left = size - kCompressedHeaderSize;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        if (stream.avail_in == 0 && left > 0) {
            // zlib counts its input in uInt: a larger range is fed in parts.
            const std::size_t part = std::min<std::size_t>(left, UINT_MAX);
            stream.next_in = const_cast<Bytef*>(next);
            stream.avail_in = static_cast<uInt>(part);
            next += part;
            left -= part;
        }
        stream.next_out = piece.get();
        stream.avail_out = static_cast<uInt>(kUnpackPiece);
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_MEM_ERROR)
            return UnpackResult::kNoMemory;
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return UnpackResult::kDamagedStream;
        const std::size_t produced = kUnpackPiece - stream.avail_out;
        if (produced > header.size - written)
            return UnpackResult::kWrongSize;
        if (produced > 0) {
            crc = crc32(crc, piece.get(), static_cast<uInt>(produced));
            if (!write(piece.get(), produced))
                return UnpackResult::kWriteFailed;
            written += produced;
        }
        if (status == Z_STREAM_END)
            break;
        // No progress with every input byte given: the stream was cut short.
        if (status == Z_BUF_ERROR)
            return UnpackResult::kDamagedStream;
    }
    if (stream.avail_in != 0 || left != 0)
        return UnpackResult::kDamagedStream;
    if (written != header.size)
        return UnpackResult::kWrongSize;
    if (static_cast<std::uint32_t>(crc) != header.crc)
        return UnpackResult::kWrongChecksum;
    return UnpackResult::kUnpacked;
}
