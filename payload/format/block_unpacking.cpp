#include "payload/format/block_unpacking.h"

#include "payload/format/branch_filter.h"
#include "payload/format/crc32.h"
#include "payload/format/lzma_allocator.h"

#include <LzmaDec.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr std::uint64_t kSmallestDictionary = 4096;
// How much is decoded at a time. A piece in which the stream fails is lost whole (the decoder
// keeps none of it), so the pieces are small enough that the members before it come through.
constexpr std::size_t kDecodeStep = kUnpackPiece;
// The filter holds back at most four bytes, so a piece has room for them and a full piece.
constexpr std::size_t kHeldMost = 4;
// How much of the stream is read from the source at a time.
constexpr std::size_t kInputPiece = 256 * 1024;

// A block held whole in memory.
class MemorySource : public BlockSource {
public:
    MemorySource(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) override {
        if (offset >= m_size)
            return 0;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset));
        std::memcpy(buffer, m_data + offset, count);
        return count;
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
};

// The properties with a dictionary no larger than the block's contents: a larger one is never
// used beyond them, so a small block costs little memory whatever its properties say.
bool FitProperties(const BlockHeader& header, unsigned char (&fitted)[kLzmaPropertiesSize],
                   std::uint64_t& dictionary) {
    std::memcpy(fitted, header.properties, sizeof fitted);
    CLzmaProps props;
    if (LzmaProps_Decode(&props, fitted, sizeof fitted) != SZ_OK)
        return false;
    dictionary = std::max(kSmallestDictionary,
                          std::min<std::uint64_t>(props.dicSize, header.UnpackedSize()));
    for (int i = 0; i < 4; ++i)
        fitted[1 + i] = static_cast<unsigned char>(dictionary >> (8 * i));
    return true;
}

// The decoder's state and dictionary, released however the unpacking ends.
class Decoder {
public:
    Decoder() { LzmaDec_Construct(&m_state); }
    ~Decoder() { LzmaDec_Free(&m_state, &g_lzmaAllocator); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool Start(const unsigned char (&properties)[kLzmaPropertiesSize]) {
        if (LzmaDec_Allocate(&m_state, properties, kLzmaPropertiesSize, &g_lzmaAllocator) != SZ_OK)
            return false;
        LzmaDec_Init(&m_state);
        return true;
    }
    CLzmaDec& state() { return m_state; }

private:
    CLzmaDec m_state;
};

// One member while its bytes come: its filter, its checksum, and the bytes the filter has not
// finished, which go again at the front of the next piece.
class MemberOutput {
public:
    MemberOutput(const BlockMember& member, BlockSink& sink, unsigned char* piece)
        : m_member(member), m_sink(sink), m_piece(piece), m_left(member.size),
          m_filter(BranchFilter::Direction::kDecode), m_writing(sink.Begin(member)) {}

    std::uint32_t Left() const { return m_left; }
    // Takes count more bytes of the member (no more than kUnpackPiece, nor than Left()).
    void Take(const unsigned char* bytes, std::size_t count) {
        std::memcpy(m_piece + m_held, bytes, count);
        m_left -= static_cast<std::uint32_t>(count);
        const std::size_t total = m_held + count;
        std::size_t done = total;
        if (m_member.filter == MemberFilter::kBranchX86) {
            const std::size_t converted = m_filter.Convert(m_piece, total);
            if (m_left != 0)
                done = converted;
        }
        m_crc = Crc32(m_crc, m_piece, done);
        if (m_writing && done > 0)
            m_writing = m_sink.Write(m_piece, done);
        std::memmove(m_piece, m_piece + done, total - done);
        m_held = total - done;
    }
    MemberResult Result() const {
        if (!m_writing)
            return MemberResult::kWriteFailed;
        return m_crc == m_member.crc ? MemberResult::kUnpacked : MemberResult::kWrongChecksum;
    }

private:
    const BlockMember& m_member;
    BlockSink& m_sink;
    unsigned char* m_piece;
    std::uint32_t m_left;
    BranchFilter m_filter;
    bool m_writing;
    std::size_t m_held = 0;
    std::uint32_t m_crc = 0;
};

// One block's unpacking: the stream decoded into the dictionary, and the dictionary's bytes
// handed to the members in order.
class BlockUnpacker {
public:
    BlockUnpacker(BlockSource& source, std::uint64_t size, const BlockHeader& header,
                  BlockSink& sink)
        : m_header(header), m_sink(sink), m_source(source), m_next(header.StreamOffset()),
          m_end(size), m_unpacked(header.UnpackedSize()) {}

    void Run() {
        unsigned char properties[kLzmaPropertiesSize];
        std::uint64_t dictionary = 0;
        if (!FitProperties(m_header, properties, dictionary))
            return EndRest(MemberResult::kDamaged);
        m_piece.reset(new (std::nothrow) unsigned char[kUnpackPiece + kHeldMost]);
        m_input.reset(new (std::nothrow) unsigned char[kInputPiece]);
        if (!m_piece || !m_input || !m_decoder.Start(properties))
            return EndRest(MemberResult::kNoMemory);
        m_dictionarySize = Dictionary().dicBufSize;
        // Ahead: as far as the dictionary holds without wrapping, before anything is written.
        while (!m_failed && m_decoded < m_unpacked && Dictionary().dicPos < m_dictionarySize) {
            if (m_sink.Stopped())
                return EndRest(MemberResult::kStopped);
            DecodeStep(std::min(m_dictionarySize, Dictionary().dicPos + kDecodeStep));
        }
        if (!m_sink.WaitUntilWritable())
            return EndRest(MemberResult::kStopped);
        for (;;) {
            if (!Drain())
                return;
            if (m_failed)
                return EndRest(MemberResult::kDamaged);
            const std::uint64_t left = m_unpacked - m_decoded;
            DecodeStep(Dictionary().dicPos +
                       static_cast<std::size_t>(std::min<std::uint64_t>(
                           {left, kDecodeStep, m_dictionarySize - Dictionary().dicPos})));
        }
    }

private:
    CLzmaDec& Dictionary() { return m_decoder.state(); }

    // Decodes into the dictionary up to limit (or the block's end); a stream that fails, stops
    // giving bytes, or does not end exactly at the block's end marks the unpacking failed.
    void DecodeStep(std::size_t limit) {
        CLzmaDec& state = Dictionary();
        const std::size_t before = state.dicPos;
        const std::uint64_t wanted =
            std::min<std::uint64_t>(limit - before, m_unpacked - m_decoded);
        const bool toTheEnd = wanted == m_unpacked - m_decoded;
        ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
        SRes result = SZ_OK;
        // The decoder takes all it is given when it wants more (keeping what it cannot use
        // yet), so the input is read again only once it is used up.
        for (;;) {
            SizeT consumed = m_inputHeld - m_inputAt;
            result = LzmaDec_DecodeToDic(&state, before + static_cast<std::size_t>(wanted),
                                         m_input.get() + m_inputAt, &consumed,
                                         toTheEnd ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status);
            m_inputAt += consumed;
            if (result != SZ_OK || status != LZMA_STATUS_NEEDS_MORE_INPUT || !ReadInput())
                break;
        }
        const std::size_t produced = state.dicPos - before;
        m_decoded += produced;
        if (result != SZ_OK || produced == 0)
            m_failed = true;
        else if (m_decoded == m_unpacked)
            m_failed = (status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK &&
                        status != LZMA_STATUS_FINISHED_WITH_MARK) ||
                       m_inputAt != m_inputHeld || m_next != m_end;
    }

    // The stream's next piece into the emptied input; false when there is none.
    bool ReadInput() {
        if (m_inputAt != m_inputHeld || m_next >= m_end)
            return false;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kInputPiece, m_end - m_next));
        const std::size_t got = m_source.Read(m_next, m_input.get(), want);
        if (got == 0 || got > want)
            return false;
        m_next += got;
        m_inputAt = 0;
        m_inputHeld = got;
        return true;
    }

    // Hands the decoded bytes not yet handed over to the members, ending each one that is
    // complete; false when every member has ended.
    bool Drain() {
        CLzmaDec& state = Dictionary();
        while (m_drained < state.dicPos) {
            if (m_sink.Stopped()) {
                EndRest(MemberResult::kStopped);
                return false;
            }
            if (!m_output)
                m_output.reset(new MemberOutput(m_header.members[m_member], m_sink, m_piece.get()));
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(
                {state.dicPos - m_drained, kUnpackPiece, m_output->Left()}));
            m_output->Take(state.dic + m_drained, count);
            m_drained += count;
            if (m_output->Left() == 0) {
                const bool last = m_member + 1 == m_header.members.size();
                m_sink.End(m_header.members[m_member],
                           last && m_failed ? MemberResult::kDamaged : m_output->Result());
                m_output.reset();
                if (++m_member == m_header.members.size())
                    return false;
            }
        }
        // The whole dictionary handed over: the decoder starts again at its front.
        if (state.dicPos == m_dictionarySize)
            state.dicPos = m_drained = 0;
        return true;
    }

    void EndRest(MemberResult result) {
        for (; m_member < m_header.members.size(); ++m_member)
            m_sink.End(m_header.members[m_member], result);
    }

    const BlockHeader& m_header;
    BlockSink& m_sink;
    BlockSource& m_source;
    std::uint64_t m_next; // the stream's next byte not yet read
    const std::uint64_t m_end;
    std::unique_ptr<unsigned char[]> m_input;
    std::size_t m_inputAt = 0, m_inputHeld = 0; // the part of the input not yet decoded
    const std::uint64_t m_unpacked;
    Decoder m_decoder;
    std::unique_ptr<unsigned char[]> m_piece;
    std::unique_ptr<MemberOutput> m_output;
    std::size_t m_dictionarySize = 0;
    std::uint64_t m_decoded = 0;
    std::size_t m_drained = 0;
    std::size_t m_member = 0;
    bool m_failed = false;
};

// A stored block: the members' bytes copied as they are, nothing read ahead of the release.
void UnpackStored(BlockSource& source, std::uint64_t size, const BlockHeader& header,
                  BlockSink& sink) {
    std::size_t member = 0;
    auto endRest = [&](MemberResult result) {
        for (; member < header.members.size(); ++member)
            sink.End(header.members[member], result);
    };
    std::unique_ptr<unsigned char[]> piece(
        new (std::nothrow) unsigned char[kUnpackPiece + kHeldMost]);
    std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[kInputPiece]);
    if (!piece || !input)
        return endRest(MemberResult::kNoMemory);
    if (!sink.WaitUntilWritable())
        return endRest(MemberResult::kStopped);
    std::uint64_t next = header.StreamOffset();
    for (; member < header.members.size(); ++member) {
        MemberOutput output(header.members[member], sink, piece.get());
        while (output.Left() > 0) {
            if (sink.Stopped())
                return endRest(MemberResult::kStopped);
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
                {kInputPiece, output.Left(), next < size ? size - next : 0}));
            const std::size_t got = want == 0 ? 0 : source.Read(next, input.get(), want);
            if (got == 0 || got > want)
                return endRest(MemberResult::kDamaged);
            next += got;
            for (std::size_t at = 0; at < got; at += kUnpackPiece)
                output.Take(input.get() + at, std::min(kUnpackPiece, got - at));
        }
        // Bytes after the last member's are as much a fault as a stream that runs on.
        const bool last = member + 1 == header.members.size();
        sink.End(header.members[member],
                 last && next != size ? MemberResult::kDamaged : output.Result());
    }
}

} // namespace

const wchar_t* DescribeMemberResult(MemberResult result) {
    switch (result) {
    case MemberResult::kUnpacked:
        return L"unpacked";
    case MemberResult::kDamaged:
        return L"the compressed data are damaged";
    case MemberResult::kWrongChecksum:
        return L"the unpacked contents fail their checksum";
    case MemberResult::kNoMemory:
        return L"no memory to unpack";
    case MemberResult::kWriteFailed:
        return L"the unpacked contents cannot be written";
    case MemberResult::kStopped:
        return L"stopped";
    }
    return L"unknown";
}

std::uint64_t DictionaryBytes(const BlockHeader& header) {
    if (header.method == kBlockMethodStored)
        return 0;
    unsigned char fitted[kLzmaPropertiesSize];
    std::uint64_t dictionary = 0;
    return FitProperties(header, fitted, dictionary) ? dictionary : 0;
}

void UnpackBlock(const unsigned char* data, std::size_t size, const BlockHeader& header,
                 BlockSink& sink) {
    MemorySource source(data, size);
    UnpackBlock(source, size, header, sink);
}

void UnpackBlock(BlockSource& source, std::uint64_t size, const BlockHeader& header,
                 BlockSink& sink) {
    if (header.members.empty())
        return;
    if (size < header.StreamOffset()) {
        for (const BlockMember& member : header.members)
            sink.End(member, MemberResult::kDamaged);
        return;
    }
    if (header.method == kBlockMethodStored)
        return UnpackStored(source, size, header, sink);
    BlockUnpacker(source, size, header, sink).Run();
}

bool ReadBlockHeader(BlockSource& source, std::uint64_t size, BlockHeader& header) {
    // A source may give fewer bytes than asked for.
    auto readAll = [&source](std::size_t offset, unsigned char* buffer, std::size_t count) {
        for (std::size_t at = 0; at < count;) {
            const std::size_t got = source.Read(offset + at, buffer + at, count - at);
            if (got == 0 || got > count - at)
                return false;
            at += got;
        }
        return true;
    };
    std::vector<unsigned char> bytes(kBlockHeadSize);
    if (size < kBlockHeadSize || !readAll(0, bytes.data(), kBlockHeadSize))
        return false;
    const std::uint32_t count = static_cast<std::uint32_t>(bytes[8]) | bytes[9] << 8 |
                                bytes[10] << 16 | static_cast<std::uint32_t>(bytes[11]) << 24;
    // No block holds more members than there are resource ids.
    if (count > 0x10000 || count > (size - kBlockHeadSize) / kBlockMemberSize)
        return false;
    bytes.resize(kBlockHeadSize + std::size_t{count} * kBlockMemberSize);
    return readAll(kBlockHeadSize, bytes.data() + kBlockHeadSize, bytes.size() - kBlockHeadSize) &&
           ReadBlockHeader(bytes.data(), bytes.size(), header);
}
