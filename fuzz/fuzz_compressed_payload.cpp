// A compressed payload resource: whatever its bytes and the manifest's size, the installer's
// unpacking hands out no piece over 64 KiB and never more bytes than the manifest's size, and
// says the file is unpacked only when it holds exactly that many bytes with the header's
// CRC-32. Half the inputs are a good resource made from the input with a few bytes changed,
// so that damage deep inside a real stream is tried as often as a garbled header.
#include "fuzz/fuzz_input.h"
#include "payload/compressed_payload.h"

#include <zlib.h>

#include <vector>

namespace {

std::vector<unsigned char> GoodResource(const std::vector<unsigned char>& contents) {
    z_stream stream = {};
    KITBAG_FUZZ_CHECK(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) ==
                      Z_OK);
    std::vector<unsigned char> out(kCompressedHeaderSize +
                                   deflateBound(&stream, static_cast<uLong>(contents.size())));
    stream.next_in = const_cast<Bytef*>(contents.data());
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = out.data() + kCompressedHeaderSize;
    stream.avail_out = static_cast<uInt>(out.size() - kCompressedHeaderSize);
    KITBAG_FUZZ_CHECK(deflate(&stream, Z_FINISH) == Z_STREAM_END);
    out.resize(kCompressedHeaderSize + stream.total_out);
    deflateEnd(&stream);
    unsigned char header[kCompressedHeaderSize];
    WriteCompressedHeader({kCompressedMethodDeflate, static_cast<std::uint32_t>(contents.size()),
                           static_cast<std::uint32_t>(
                               crc32(0L, contents.data(), static_cast<uInt>(contents.size())))},
                          header);
    std::copy(header, header + sizeof header, out.begin());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<unsigned char> resource;
    std::uint32_t manifestSize = 0;
    if (in.ConsumeBool()) {
        const std::size_t repeat = in.ConsumeIntegralInRange<std::size_t>(1, 64);
        const std::size_t changes = in.ConsumeIntegralInRange<std::size_t>(0, 3);
        std::vector<unsigned char> contents;
        for (const unsigned char c : in.ConsumeBytes<unsigned char>(4096))
            contents.insert(contents.end(), repeat, c);
        resource = GoodResource(contents);
        manifestSize = static_cast<std::uint32_t>(contents.size());
        for (std::size_t i = 0; i < changes; ++i) {
            const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, resource.size() - 1);
            resource[at] ^= in.ConsumeIntegralInRange<unsigned char>(1, 255);
        }
    } else {
        manifestSize = in.ConsumeIntegralInRange<std::uint32_t>(0, 1 << 20);
        resource = in.ConsumeRemainingBytes<unsigned char>();
    }

    if (resource.size() == manifestSize)
        KITBAG_FUZZ_CHECK(!IsCompressedResource(resource.data(), resource.size(), manifestSize));
    std::uint64_t handed = 0, written = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    const UnpackResult result = UnpackCompressed(
        resource.data(), resource.size(), manifestSize,
        [&](const unsigned char* bytes, std::size_t count) {
            KITBAG_FUZZ_CHECK(count > 0 && count <= kUnpackPiece);
            handed += count;
            KITBAG_FUZZ_CHECK(handed <= manifestSize);
            crc = crc32(crc, bytes, static_cast<uInt>(count));
            return true;
        },
        written);
    KITBAG_FUZZ_CHECK(written == handed);
    if (result == UnpackResult::kUnpacked) {
        CompressedHeader header;
        KITBAG_FUZZ_CHECK(ReadCompressedHeader(resource.data(), resource.size(), header));
        KITBAG_FUZZ_CHECK(written == manifestSize && header.crc == crc);
    }
    return 0;
}
