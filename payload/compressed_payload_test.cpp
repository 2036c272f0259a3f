#include "payload/compressed_payload.h"
#include "tests/tools/random_bytes.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Deflate(const std::string& contents) {
    z_stream stream = {};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&stream, contents.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(contents.data()));
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::uint32_t Crc(const std::string& contents) {
    return static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(contents.data()),
                                            static_cast<uInt>(contents.size())));
}

// The resource the packer makes of contents.
Bytes Resource(const std::string& contents) {
    unsigned char header[kCompressedHeaderSize];
    WriteCompressedHeader(
        {kCompressedMethodDeflate, static_cast<std::uint32_t>(contents.size()), Crc(contents)},
        header);
    Bytes resource(header, header + sizeof header);
    Bytes stream = Deflate(contents);
    resource.insert(resource.end(), stream.begin(), stream.end());
    return resource;
}

struct Unpacked {
    UnpackResult result;
    std::string contents;
    std::uint64_t written = 0;
    std::size_t largestPiece = 0;
    std::size_t pieces = 0;
};

Unpacked Unpack(const Bytes& resource, std::uint32_t manifestSize) {
    Unpacked out{};
    out.result = UnpackCompressed(
        resource.data(), resource.size(), manifestSize,
        [&](const unsigned char* bytes, std::size_t count) {
            out.contents.append(reinterpret_cast<const char*>(bytes), count);
            out.largestPiece = std::max(out.largestPiece, count);
            ++out.pieces;
            return true;
        },
        out.written);
    EXPECT_EQ(out.written, out.contents.size());
    return out;
}

const std::string kText = [] {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i % 37) + " of a payload file\r\n";
    return text;
}();

TEST(CompressedPayload, TheHeaderIsMagicMethodSizeAndCrcLittleEndian) {
    unsigned char header[kCompressedHeaderSize];
    WriteCompressedHeader({8, 0x01020304, 0xA1B2C3D4}, header);
    const unsigned char expected[] = {'K', 'B', 'Z', 1, 8,    0,    0,    0,
                                      4,   3,   2,   1, 0xD4, 0xC3, 0xB2, 0xA1};
    EXPECT_EQ(Bytes(header, header + 16), Bytes(expected, expected + 16));
    CompressedHeader read;
    ASSERT_TRUE(ReadCompressedHeader(header, sizeof header, read));
    EXPECT_EQ(read.method, 8u);
    EXPECT_EQ(read.size, 0x01020304u);
    EXPECT_EQ(read.crc, 0xA1B2C3D4u);
    EXPECT_FALSE(ReadCompressedHeader(header, 15, read));
    header[3] = 2; // another version of the format
    EXPECT_FALSE(ReadCompressedHeader(header, sizeof header, read));
}

TEST(CompressedPayload, OnlyASizeOtherThanTheManifestsWithTheMagicCountsAsCompressed) {
    const Bytes resource = Resource(kText);
    EXPECT_TRUE(IsCompressedResource(resource.data(), resource.size(),
                                     static_cast<std::uint32_t>(kText.size())));
    // A stored file that happens to begin like a compressed one is stored bytes.
    EXPECT_FALSE(IsCompressedResource(resource.data(), resource.size(),
                                      static_cast<std::uint32_t>(resource.size())));
    const unsigned char magicOnly[] = {'K', 'B', 'Z', 1};
    EXPECT_FALSE(IsCompressedResource(magicOnly, 4, 4));
    EXPECT_TRUE(IsCompressedResource(magicOnly, 4, 5));
    EXPECT_FALSE(IsCompressedResource(magicOnly, 3, 5)) << "shorter than the magic";
    const unsigned char other[] = {'K', 'B', 'Z', 2, 0, 0};
    EXPECT_FALSE(IsCompressedResource(other, sizeof other, 1));
    EXPECT_FALSE(IsCompressedResource(nullptr, 0, 1));
}

TEST(CompressedPayload, GoodStreamsUnpackWhole) {
    for (const std::string& contents :
         {kText, std::string(), std::string("x"), RandomBytes(5000, 1), RandomBytes(70000, 2)}) {
        SCOPED_TRACE(contents.size());
        const Unpacked out =
            Unpack(Resource(contents), static_cast<std::uint32_t>(contents.size()));
        EXPECT_EQ(out.result, UnpackResult::kUnpacked);
        EXPECT_TRUE(out.contents == contents);
    }
}

TEST(CompressedPayload, AFileLargerThanThePieceReachesTheWriterInPieces) {
    const std::string contents = kText + RandomBytes(3 * kUnpackPiece, 3) + kText;
    const Unpacked out = Unpack(Resource(contents), static_cast<std::uint32_t>(contents.size()));
    ASSERT_EQ(out.result, UnpackResult::kUnpacked);
    EXPECT_TRUE(out.contents == contents);
    EXPECT_EQ(out.largestPiece, kUnpackPiece);
    EXPECT_GE(out.pieces, 4u);
}

TEST(CompressedPayload, DamageIsFoundAndNothingPastTheManifestsSizeIsWritten) {
    const std::uint32_t size = static_cast<std::uint32_t>(kText.size());
    const Bytes good = Resource(kText);
    const struct {
        const char* what;
        Bytes resource;
        std::uint32_t manifestSize;
        UnpackResult expected;
    } rows[] = {
        {"no header", Bytes(good.begin(), good.begin() + 10), size, UnpackResult::kBadHeader},
        {"cut after the header", Bytes(good.begin(), good.begin() + 16), size,
         UnpackResult::kDamagedStream},
        {"cut in the stream", Bytes(good.begin(), good.end() - 3), size,
         UnpackResult::kDamagedStream},
        {"bytes after the stream",
         [&] {
             Bytes longer = good;
             longer.push_back(0);
             return longer;
         }(),
         size, UnpackResult::kDamagedStream},
        {"not a deflate stream",
         [&] {
             Bytes bad(good.begin(), good.begin() + 16);
             bad.insert(bad.end(), {0xFF, 0xFF, 0xFF, 0xFF});
             return bad;
         }(),
         size, UnpackResult::kDamagedStream},
        {"a manifest size other than the header's", good, size - 1, UnpackResult::kWrongSize},
        {"a header and manifest larger than the stream",
         [&] {
             Bytes bad = Resource(kText.substr(1));
             bad[8] = static_cast<unsigned char>(size);
             bad[9] = static_cast<unsigned char>(size >> 8);
             return bad;
         }(),
         size, UnpackResult::kWrongSize},
        {"a wrong CRC",
         [&] {
             Bytes bad = good;
             bad[12] ^= 1;
             return bad;
         }(),
         size, UnpackResult::kWrongChecksum},
        {"another method",
         [&] {
             Bytes bad = good;
             bad[4] = 9;
             return bad;
         }(),
         size, UnpackResult::kUnknownMethod},
    };
    for (const auto& row : rows) {
        const Unpacked out = Unpack(row.resource, row.manifestSize);
        EXPECT_EQ(out.result, row.expected) << row.what;
        EXPECT_LE(out.written, row.manifestSize) << row.what;
    }

    // A stream that yields more than its header says stops at the header's size.
    Bytes longer = Resource(kText + kText);
    longer[8] = static_cast<unsigned char>(size);
    longer[9] = static_cast<unsigned char>(size >> 8);
    longer[10] = longer[11] = 0;
    const Unpacked out = Unpack(longer, size);
    EXPECT_EQ(out.result, UnpackResult::kWrongSize);
    EXPECT_LE(out.written, size);
}

TEST(CompressedPayload, NoFlippedBitOfAStreamUnpacksToOtherContents) {
    const std::string contents = kText.substr(0, 3000);
    const Bytes good = Resource(contents);
    for (std::size_t at = kCompressedHeaderSize; at < good.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes bad = good;
            bad[at] ^= static_cast<unsigned char>(1 << bit);
            const Unpacked out = Unpack(bad, static_cast<std::uint32_t>(contents.size()));
            EXPECT_LE(out.written, contents.size());
            // The last byte's bits after the final block are padding that inflate never reads.
            if (at + 1 < good.size()) {
                EXPECT_NE(out.result, UnpackResult::kUnpacked) << "byte " << at << " bit " << bit;
            } else if (out.result == UnpackResult::kUnpacked) {
                EXPECT_TRUE(out.contents == contents) << "bit " << bit;
            }
        }
    }
}

TEST(CompressedPayload, AWriterThatFailsStopsTheUnpacking) {
    const std::string contents = RandomBytes(3 * kUnpackPiece, 4);
    const Bytes resource = Resource(contents);
    std::size_t calls = 0;
    std::uint64_t written = 0;
    const UnpackResult result = UnpackCompressed(
        resource.data(), resource.size(), static_cast<std::uint32_t>(contents.size()),
        [&](const unsigned char*, std::size_t) { return ++calls < 2; }, written);
    EXPECT_EQ(result, UnpackResult::kWriteFailed);
    EXPECT_EQ(calls, 2u);
    EXPECT_EQ(written, kUnpackPiece);
}

} // namespace
