#include "shipping/packing/block_compression.h"

#include "payload/format/branch_filter.h"
#include "payload/format/crc32.h"
#include "payload/format/lzma_allocator.h"
#include "shipping/base/interruption.h"
#include "shipping/base/utf8_system.h"

#include <LzmaEnc.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace kitbag {

namespace {

constexpr std::size_t kPiece = 1 << 20;
constexpr std::size_t kHeldMost = 4;

// The encoder's state, destroyed however the compression ends.
class Encoder {
public:
    Encoder() : m_handle(LzmaEnc_Create(&g_lzmaAllocator)) {}
    ~Encoder() {
        if (m_handle != nullptr)
            LzmaEnc_Destroy(m_handle, &g_lzmaAllocator, &g_lzmaAllocator);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    CLzmaEncHandle handle() const { return m_handle; }

private:
    CLzmaEncHandle m_handle;
};

// The smallest dictionary that LZMA's properties can name (2^n or 3 * 2^(n-1)) holding size.
std::uint32_t DictionaryFor(std::uint64_t size) {
    for (std::uint32_t n = 12; n < 30; ++n) {
        if (size <= (1u << n))
            return 1u << n;
        if (size <= (3u << (n - 1)))
            return 3u << (n - 1);
    }
    return 1u << 30;
}

// Settings for about the best ratio the encoder gives: the normal algorithm on a binary tree
// of 4-byte hashes, with longer matches and a deeper search than its level 9 (on Windows
// binaries 0.2% smaller and 20% slower; the longest matches and a search four times as deep
// gain nothing more).
void SetStrongest(CLzmaEncProps& props, std::uint64_t unpacked, std::uint32_t dictionaryLimit) {
    LzmaEncProps_Init(&props);
    props.level = 9;
    props.dictSize = std::min(DictionaryFor(unpacked), dictionaryLimit);
    props.reduceSize = static_cast<UInt32>(std::min<std::uint64_t>(unpacked, 0xFFFFFFFFu));
    props.fb = 128;
    props.mc = 256;
    props.numThreads = 1;
    props.writeEndMark = 0;
}

// Feeds the encoder the files one after the other, each through its filter, and sums each
// file's CRC-32 as it is read.
class MemberReader {
public:
    explicit MemberReader(const std::vector<BlockFile>& files)
        : m_files(files), m_piece(kPiece + kHeldMost), m_filter(BranchFilter::Direction::kEncode) {
        m_stream.base.Read = &MemberReader::Read;
        m_stream.reader = this;
    }
    ISeqInStream* stream() { return &m_stream.base; }
    const std::vector<std::uint32_t>& crcs() const { return m_crcs; }
    const std::string& error() const { return m_error; }

private:
    static SRes Read(void* self, void* buffer, size_t* size) {
        return reinterpret_cast<Stream*>(self)->reader->ReadInto(
            static_cast<unsigned char*>(buffer), *size);
    }

    SRes ReadInto(unsigned char* buffer, size_t& size) {
        while (m_ready == 0) {
            if (m_next == m_files.size()) {
                size = 0;
                return SZ_OK;
            }
            if (!Refill()) {
                size = 0;
                return SZ_ERROR_READ;
            }
        }
        const std::size_t count = std::min(size, m_ready);
        std::memcpy(buffer, m_piece.data() + m_begin, count);
        m_begin += count;
        m_ready -= count;
        size = count;
        return SZ_OK;
    }

    // Reads the current file's next piece after the bytes the filter held back.
    bool Refill() {
        if (Interrupted()) {
            m_error = kInterruptedReason;
            return false;
        }
        const BlockFile& file = m_files[m_next];
        if (!m_open) {
            if (!m_in.Open(file.path, file.name, file.size, file.identity, m_error))
                return false;
            m_open = true;
            m_filter = BranchFilter(BranchFilter::Direction::kEncode);
            m_crc = 0;
            m_read = 0;
            m_held = 0;
        }
        std::memmove(m_piece.data(), m_piece.data() + m_begin, m_held);
        // A whole piece, unless the file ends first.
        const std::int64_t read = m_in.ReadFull(m_piece.data() + m_held, kPiece);
        if (read < 0) {
            m_error = "cannot read '" + file.path + "': " + std::strerror(errno);
            return false;
        }
        const std::size_t got = static_cast<std::size_t>(read);
        m_crc = Crc32(m_crc, m_piece.data() + m_held, got);
        m_read += got;
        const bool atEnd = m_read >= file.size;
        unsigned char more = 0;
        if (m_read > file.size || (got == 0 && !atEnd) || (atEnd && m_in.Read(&more, 1) != 0)) {
            m_error = "'" + file.name + "' changed while it was being packed";
            return false;
        }
        const std::size_t total = m_held + got;
        std::size_t done = total;
        if (file.filter == MemberFilter::kBranchX86) {
            const std::size_t converted = m_filter.Convert(m_piece.data(), total);
            if (!atEnd)
                done = converted;
        }
        m_begin = 0;
        m_ready = done;
        m_held = total - done;
        if (atEnd) {
            m_crcs.push_back(m_crc);
            m_in.Close();
            m_open = false;
            ++m_next;
        }
        return true;
    }

    // What the encoder calls, and this object: the encoder's pointer is to the first member.
    struct Stream {
        ISeqInStream base;
        MemberReader* reader;
    } m_stream;
    const std::vector<BlockFile>& m_files;
    std::vector<unsigned char> m_piece;
    BranchFilter m_filter;
    ListedFile m_in;
    bool m_open = false;
    std::size_t m_next = 0, m_begin = 0, m_ready = 0, m_held = 0;
    std::uint64_t m_read = 0;
    std::uint32_t m_crc = 0;
    std::vector<std::uint32_t> m_crcs;
    std::string m_error;
};

class FileWriter {
public:
    explicit FileWriter(std::ofstream& out) : m_out(out) {
        m_stream.base.Write = &FileWriter::Write;
        m_stream.writer = this;
    }
    ISeqOutStream* stream() { return &m_stream.base; }
    std::uint64_t written() const { return m_written; }
    // The system's reason for the first failed write, when it gave one.
    int reason() const { return m_errno; }

private:
    static size_t Write(void* self, const void* bytes, size_t size) {
        FileWriter* writer = reinterpret_cast<Stream*>(self)->writer;
        errno = 0;
        writer->m_out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        writer->m_written += size;
        if (!writer->m_out && writer->m_errno == 0)
            writer->m_errno = errno;
        return writer->m_out ? size : 0;
    }

    struct Stream {
        ISeqOutStream base;
        FileWriter* writer;
    } m_stream;
    std::ofstream& m_out;
    std::uint64_t m_written = 0;
    int m_errno = 0;
};

// The message of a failed write, with the system's reason when there is one (a full disk).
std::string WriteFailure(const std::string& path, int reason) {
    return "cannot write the compressed block to '" + path + "'" +
           (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string());
}

} // namespace

bool CompressBlock(const std::vector<BlockFile>& files, const std::string& resourcePath,
                   std::uint64_t& length, std::string& error, std::uint32_t dictionaryLimit) {
    BlockHeader header;
    std::uint64_t unpacked = 0;
    for (const BlockFile& file : files) {
        header.members.push_back({file.id, static_cast<std::uint32_t>(file.size), 0, file.filter});
        unpacked += file.size;
    }
    Encoder encoder;
    CLzmaEncProps props;
    SetStrongest(props, unpacked, dictionaryLimit);
    SizeT propertiesSize = kLzmaPropertiesSize;
    if (encoder.handle() == nullptr || LzmaEnc_SetProps(encoder.handle(), &props) != SZ_OK ||
        LzmaEnc_WriteProperties(encoder.handle(), header.properties, &propertiesSize) != SZ_OK) {
        error = "cannot set up the LZMA encoder";
        return false;
    }

    std::ofstream out(PathOf(resourcePath), std::ios::binary | std::ios::trunc);
    // The members' checksums are known once they are read: the head is written again then.
    std::vector<unsigned char> head = WriteBlockHeader(header);
    out.write(reinterpret_cast<const char*>(head.data()),
              static_cast<std::streamsize>(head.size()));
    MemberReader reader(files);
    FileWriter writer(out);
    const SRes encoded = out ? LzmaEnc_Encode(encoder.handle(), writer.stream(), reader.stream(),
                                              nullptr, &g_lzmaAllocator, &g_lzmaAllocator)
                             : SZ_ERROR_WRITE;
    if (!reader.error().empty()) {
        error = reader.error();
        return false;
    }
    if (encoded != SZ_OK || reader.crcs().size() != files.size()) {
        error = encoded == SZ_ERROR_MEM ? "no memory to compress '" + files.front().name + "'"
                                        : WriteFailure(resourcePath, writer.reason());
        return false;
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        header.members[i].crc = reader.crcs()[i];
    head = WriteBlockHeader(header);
    errno = 0;
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(head.data()),
              static_cast<std::streamsize>(head.size()));
    out.close();
    if (!out) {
        error = WriteFailure(resourcePath, errno);
        return false;
    }
    length = head.size() + writer.written();
    return true;
}

bool CompressPicture(const std::vector<unsigned char>& bitmap, std::uint16_t id,
                     std::vector<unsigned char>& resource, std::string& error) {
    BlockHeader header;
    header.members.push_back({id, static_cast<std::uint32_t>(bitmap.size()),
                              Crc32(0, bitmap.data(), bitmap.size()), MemberFilter::kNone});
    CLzmaEncProps props;
    SetStrongest(props, bitmap.size(), kMaxDictionaryBytes);
    // No position bits: pixels of three bytes line up with no power of two (on the installer's
    // own pictures 1-3% smaller than the default of two).
    props.pb = 0;
    std::vector<unsigned char> stream(bitmap.size() + bitmap.size() / 2 + 1024);
    SizeT streamSize = stream.size(), propertiesSize = kLzmaPropertiesSize;
    if (LzmaEncode(stream.data(), &streamSize, bitmap.data(), bitmap.size(), &props,
                   header.properties, &propertiesSize, 0, nullptr, &g_lzmaAllocator,
                   &g_lzmaAllocator) != SZ_OK) {
        error = "no memory to compress the picture";
        return false;
    }
    resource = WriteBlockHeader(header);
    resource.insert(resource.end(), stream.begin(),
                    stream.begin() + static_cast<std::ptrdiff_t>(streamSize));
    return true;
}

bool WorthCompressing(const std::string& path, std::uint64_t size, std::string& error,
                      const FileIdentity& identity) {
    constexpr std::uint64_t kSample = 64 * 1024, kTiny = 1024;
    if (size < kTiny)
        return true;
    ListedFile in;
    if (!in.Open(path, path, size, identity, error))
        return false;
    // A small file is tried whole.
    const std::uint64_t piece = std::min(size, kSample);
    const std::uint64_t samples = std::min<std::uint64_t>(4, size / piece);
    std::vector<unsigned char> sample(piece), packed(piece + piece / 2 + 1024);
    std::uint64_t before = 0, after = 0;
    for (std::uint64_t i = 0; i < samples; ++i) {
        if (!in.ReadAt((size - piece) * i / std::max<std::uint64_t>(samples - 1, 1), sample.data(),
                       static_cast<std::size_t>(piece))) {
            error = "cannot read '" + path + "'";
            return false;
        }
        CLzmaEncProps props;
        LzmaEncProps_Init(&props);
        props.level = 1;
        props.dictSize = static_cast<UInt32>(std::max<std::uint64_t>(piece, 4096));
        props.numThreads = 1;
        SizeT packedSize = packed.size();
        unsigned char properties[kLzmaPropertiesSize];
        SizeT propertiesSize = sizeof properties;
        const SRes result =
            LzmaEncode(packed.data(), &packedSize, sample.data(), piece, &props, properties,
                       &propertiesSize, 0, nullptr, &g_lzmaAllocator, &g_lzmaAllocator);
        before += piece;
        after += result == SZ_OK ? packedSize : piece;
    }
    return after * 100 < before * 98;
}

bool HoldsX86Code(const std::string& path, const FileIdentity& identity) {
    ListedFile in;
    std::string ignored;
    unsigned char dos[64] = {};
    if (!in.Open(path, path, ListedFile::kAnySize, identity, ignored) ||
        !in.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const std::uint32_t peOffset =
        dos[60] | dos[61] << 8 | dos[62] << 16 | static_cast<std::uint32_t>(dos[63]) << 24;
    unsigned char pe[6] = {};
    if (!in.ReadAt(peOffset, pe, sizeof pe) || std::memcmp(pe, "PE\0\0", 4) != 0)
        return false;
    const unsigned machine = pe[4] | pe[5] << 8;
    return machine == 0x014C || machine == 0x8664;
}

} // namespace kitbag
