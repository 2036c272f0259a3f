// A solid block resource: whatever its bytes, the installer's unpacking ends every member
// exactly once and in order, hands out no piece over 64 KiB and no more bytes than a member's
// size, and calls a member unpacked only when it got exactly its size with the member's CRC-32.
// Half the inputs are a good block of up to three members made from the input (with an end
// mark when there are one or three, or stored as the data area stores files), with a few bytes
// then changed, so that damage deep in a real stream is tried as often as a bad header. A head
// read from a source a few bytes at a time, as from the installer's file, reads the same.
#include "fuzz/fuzz_input.h"
#include "payload/format/block_unpacking.h"
#include "payload/format/branch_filter.h"
#include "payload/format/crc32.h"
#include "payload/format/lzma_allocator.h"

#include <LzmaEnc.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

std::vector<unsigned char> GoodBlock(const std::vector<std::vector<unsigned char>>& contents,
                                     bool stored) {
    BlockHeader header;
    header.method = stored ? kBlockMethodStored : kBlockMethodLzma;
    std::vector<unsigned char> stream;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        std::vector<unsigned char> member = contents[i];
        const MemberFilter filter =
            i % 2 && !stored ? MemberFilter::kBranchX86 : MemberFilter::kNone;
        if (filter == MemberFilter::kBranchX86)
            BranchFilter(BranchFilter::Direction::kEncode).Convert(member.data(), member.size());
        header.members.push_back({static_cast<std::uint32_t>(102 + i),
                                  static_cast<std::uint32_t>(member.size()),
                                  Crc32(0, contents[i].data(), contents[i].size()), filter});
        stream.insert(stream.end(), member.begin(), member.end());
    }
    if (stored) {
        std::vector<unsigned char> block = WriteBlockHeader(header);
        block.insert(block.end(), stream.begin(), stream.end());
        return block;
    }
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 1;
    props.dictSize = 1 << 16;
    std::vector<unsigned char> packed(stream.size() + stream.size() / 2 + 1024);
    SizeT packedSize = packed.size(), propertiesSize = kLzmaPropertiesSize;
    // The packer writes no end mark; other encoders (the build's pictures) do.
    const int endMark = contents.size() % 2;
    KITBAG_FUZZ_CHECK(LzmaEncode(packed.data(), &packedSize, stream.data(), stream.size(), &props,
                                 header.properties, &propertiesSize, endMark, nullptr,
                                 &g_lzmaAllocator, &g_lzmaAllocator) == SZ_OK);
    std::vector<unsigned char> block = WriteBlockHeader(header);
    block.insert(block.end(), packed.begin(),
                 packed.begin() + static_cast<std::ptrdiff_t>(packedSize));
    return block;
}

class CheckingSink : public BlockSink {
public:
    explicit CheckingSink(const BlockHeader& header) : m_header(header) {}
    bool WaitUntilWritable() override {
        ++m_waits;
        return true;
    }
    bool Begin(const BlockMember& member) override {
        KITBAG_FUZZ_CHECK(m_waits == 1 && member.id == m_header.members[m_next].id);
        m_written = 0;
        m_crc = 0;
        return true;
    }
    bool Write(const unsigned char* bytes, std::size_t count) override {
        KITBAG_FUZZ_CHECK(count > 0 && count <= kUnpackPiece);
        m_written += count;
        KITBAG_FUZZ_CHECK(m_written <= m_header.members[m_next].size);
        m_crc = Crc32(m_crc, bytes, count);
        return true;
    }
    void End(const BlockMember& member, MemberResult result) override {
        KITBAG_FUZZ_CHECK(m_next < m_header.members.size() &&
                          member.id == m_header.members[m_next].id);
        if (result == MemberResult::kUnpacked)
            KITBAG_FUZZ_CHECK(m_written == member.size && m_crc == member.crc);
        ++m_next;
        m_written = 0;
    }
    std::size_t Ended() const { return m_next; }

private:
    const BlockHeader& m_header;
    int m_waits = 0;
    std::size_t m_next = 0;
    std::uint64_t m_written = 0;
    std::uint32_t m_crc = 0;
};

// Gives the block a few bytes at a time.
class TricklingSource : public BlockSource {
public:
    explicit TricklingSource(const std::vector<unsigned char>& data) : m_data(data) {}
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) override {
        if (offset >= m_data.size())
            return 0;
        count = std::min<std::size_t>({count, 1 + offset % 5, m_data.size() - offset});
        std::copy_n(m_data.begin() + static_cast<std::ptrdiff_t>(offset), count, buffer);
        return count;
    }

private:
    const std::vector<unsigned char>& m_data;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<unsigned char> resource;
    if (in.ConsumeBool()) {
        const bool stored = in.ConsumeBool();
        const std::size_t members = in.ConsumeIntegralInRange<std::size_t>(1, 3);
        const std::size_t changes = in.ConsumeIntegralInRange<std::size_t>(0, 3);
        std::vector<std::vector<unsigned char>> contents;
        for (std::size_t m = 0; m < members; ++m) {
            const std::size_t repeat = in.ConsumeIntegralInRange<std::size_t>(1, 64);
            std::vector<unsigned char> member;
            for (const unsigned char c : in.ConsumeBytes<unsigned char>(2048))
                member.insert(member.end(), repeat, c);
            if (member.empty())
                member.push_back(0xE8);
            contents.push_back(member);
        }
        resource = GoodBlock(contents, stored);
        for (std::size_t i = 0; i < changes; ++i) {
            const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, resource.size() - 1);
            resource[at] ^= in.ConsumeIntegralInRange<unsigned char>(1, 255);
        }
    } else {
        resource = in.ConsumeRemainingBytes<unsigned char>();
    }
    BlockHeader header, fromSource;
    TricklingSource source(resource);
    const bool read = ReadBlockHeader(resource.data(), resource.size(), header);
    KITBAG_FUZZ_CHECK(ReadBlockHeader(source, resource.size(), fromSource) == read);
    if (!read)
        return 0;
    KITBAG_FUZZ_CHECK(fromSource.StreamOffset() == header.StreamOffset() &&
                      fromSource.UnpackedSize() == header.UnpackedSize());
    // A member list that promises more than the fuzzer could have made is not decoded whole.
    if (header.UnpackedSize() > (1u << 24) || DictionaryBytes(header) > (1u << 24))
        return 0;
    CheckingSink sink(header);
    UnpackBlock(resource.data(), resource.size(), header, sink);
    KITBAG_FUZZ_CHECK(sink.Ended() == header.members.size());
    return 0;
}
