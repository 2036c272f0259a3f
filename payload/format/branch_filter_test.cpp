#include "payload/format/branch_filter.h"
#include "payload/format/crc32.h"
#include "tests/tools/random_bytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// Random bytes with a CALL or JMP opcode every one to seven bytes, so that one often sits in
// another's displacement, near and far displacements alike.
std::string BranchRich(std::size_t n, unsigned seed) {
    std::string bytes = RandomBytes(n, seed);
    for (std::size_t i = 0; i + 5 < n;) {
        const unsigned step = 1 + static_cast<unsigned char>(bytes[i]) % 7;
        bytes[i] = (i & 1) ? '\xE8' : '\xE9';
        if (bytes[i + 1] & 1)
            bytes[i + 4] = (bytes[i + 2] & 1) ? '\xFF' : '\0';
        i += step;
    }
    return bytes;
}

// Converts in pieces of at most `piece` bytes (five or more), each beginning with what the
// filter held back of the one before, as the packer and the installer do.
std::string ConvertInPieces(std::string bytes, BranchFilter::Direction direction,
                            std::size_t piece) {
    BranchFilter filter(direction);
    for (std::size_t done = 0; bytes.size() - done >= 5;)
        done += filter.Convert(reinterpret_cast<unsigned char*>(&bytes[done]),
                               std::min(piece, bytes.size() - done));
    return bytes;
}

TEST(BranchFilter, DecodingUndoesEncodingInAnyPiecesOnCodeAndOnRandomBytes) {
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string code((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
    ASSERT_GT(code.size(), 100000u);
    code.resize(std::min<std::size_t>(code.size(), 1 << 20));
    // A far CALL whose top byte a near CALL three bytes on turns into 00 when converted: found
    // in a 64-bit DLL.
    const std::string overlapping("\xE8\x09\x00\xE8\xF8\xF5\xFF\xFF\x90\x90", 10);
    for (const std::string& original : {code, BranchRich(200000, 1), RandomBytes(5000, 2),
                                        overlapping, std::string("\xE8\x01\x02", 3)}) {
        const std::string encoded =
            ConvertInPieces(original, BranchFilter::Direction::kEncode, original.size());
        if (original.size() > 100000) {
            EXPECT_TRUE(encoded != original) << "the filter converts something";
        }
        for (std::size_t piece : {std::size_t{5}, std::size_t{4096}}) {
            EXPECT_TRUE(ConvertInPieces(original, BranchFilter::Direction::kEncode, piece) ==
                        encoded)
                << "pieces of " << piece;
            EXPECT_TRUE(ConvertInPieces(encoded, BranchFilter::Direction::kDecode, piece) ==
                        original)
                << "pieces of " << piece;
        }
    }
}

TEST(BranchFilter, TargetsOfOneFunctionReadAlikeOnceConverted) {
    // CALL rel32 at 0 and at 100 to the same target, 1000: displacements 995 and 895.
    std::string code(200, '\x90');
    code.replace(0, 5, std::string("\xE8\xE3\x03\x00\x00", 5));
    code.replace(100, 5, std::string("\xE8\x7F\x03\x00\x00", 5));
    BranchFilter(BranchFilter::Direction::kEncode)
        .Convert(reinterpret_cast<unsigned char*>(&code[0]), code.size());
    EXPECT_TRUE(code.substr(0, 5) == std::string("\xE8\xE8\x03\x00\x00", 5));
    EXPECT_TRUE(code.substr(100, 5) == code.substr(0, 5));
}

TEST(Crc32, IsZlibsChecksumAlsoWhenContinued) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    const std::string bytes = RandomBytes(1000, 3);
    EXPECT_EQ(Crc32(Crc32(0, bytes.data(), 333), bytes.data() + 333, 667),
              Crc32(0, bytes.data(), bytes.size()));
}

} // namespace
