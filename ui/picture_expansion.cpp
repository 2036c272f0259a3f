#include "ui/picture_expansion.h"

#include "payload/format/block_unpacking.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kInfoHeaderSize = 40; // BITMAPINFOHEADER
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB

std::uint32_t ReadU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// Takes the one member into memory of its own.
class PictureSink : public BlockSink {
public:
    explicit PictureSink(ExpandedPicture& picture) : m_picture(picture) {}

    bool Begin(const BlockMember& member) override {
        m_picture.dib.reset(new (std::nothrow) unsigned char[member.size]);
        m_picture.size = m_picture.dib ? member.size : 0;
        return m_picture.dib != nullptr;
    }
    bool Write(const unsigned char* bytes, std::size_t count) override {
        if (count > m_picture.size - m_written)
            return false;
        std::memcpy(m_picture.dib.get() + m_written, bytes, count);
        m_written += count;
        return true;
    }
    void End(const BlockMember&, MemberResult result) override { m_result = result; }

    // Every byte came, with the member's CRC-32.
    bool Unpacked() const { return m_result == MemberResult::kUnpacked; }

private:
    ExpandedPicture& m_picture;
    std::size_t m_written = 0;
    MemberResult m_result = MemberResult::kDamaged;
};

// Finds the rows in the DIB; false when the header is not one Windows draws as it is or the
// rows it describes run past the DIB's end. Sizes are of the memory's own width: the DIB is in
// memory, and on x86 64-bit division would link a helper of its own.
bool LayOut(ExpandedPicture& picture) {
    const unsigned char* dib = picture.dib.get();
    const std::size_t size = picture.size;
    if (size < kInfoHeaderSize)
        return false;
    const std::uint32_t headerSize = ReadU32(dib);
    const std::uint32_t width = ReadU32(dib + 4);
    const std::uint32_t height = ReadU32(dib + 8);
    const unsigned planes = dib[12] | dib[13] << 8;
    const unsigned bits = dib[14] | dib[15] << 8;
    // Above 8 bits a colour table is optional, biClrUsed entries long, and no pixel uses it.
    const std::uint32_t colours = ReadU32(dib + 32);
    if (headerSize < kInfoHeaderSize || headerSize > size || planes != 1 ||
        (bits != 16 && bits != 24 && bits != 32) || ReadU32(dib + 16) != kUncompressed ||
        colours > (size - headerSize) / 4)
        return false;
    const std::size_t bytesPerPixel = bits / 8;
    const std::size_t offset = headerSize + 4 * std::size_t{colours};
    // A negative height marks rows from the top down.
    const std::uint32_t rows = height & 0x80000000u ? 0u - height : height;
    if (width == 0 || width > 0x7FFFFFFFu || rows == 0 || width > size / bytesPerPixel)
        return false;
    const std::size_t stride = (width * bytesPerPixel + 3) & ~std::size_t{3};
    if (rows > (size - offset) / stride)
        return false;
    picture.pixelOffset = offset;
    picture.pixelBytes = stride * rows;
    return true;
}

} // namespace

bool ExpandPicture(const unsigned char* data, std::size_t size, std::uint32_t id,
                   ExpandedPicture& picture) {
    BlockHeader header;
    if (!ReadBlockHeader(data, size, header) || header.members.size() != 1 ||
        header.members[0].id != id)
        return false;
    PictureSink sink(picture);
    UnpackBlock(data, size, header, sink);
    return sink.Unpacked() && LayOut(picture);
}
