#include "shipping/authenticode/signature_tag.h"

#include "shipping/authenticode/der_reader.h"
#include "shipping/pe/pe_layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kitbag {

const Bytes kTagAttributeOid = {0x69, 0x81, 0xA4, 0xD6, 0xE6, 0xAA, 0xF5, 0xC0, 0xB2, 0xBE, 0xC5,
                                0xAB, 0x98, 0x97, 0xD2, 0xDF, 0x81, 0x8E, 0xD4, 0x0A, 0x01};

namespace {

constexpr std::uint16_t kCertificateRevision = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 0x0002;
const Bytes kSignedDataOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
const std::uint8_t kMarker[4] = {'M', 'R', 'D', 'C'};

bool HasMarker(const Bytes& data) {
    return std::search(data.begin(), data.end(), std::begin(kMarker), std::end(kMarker)) !=
           data.end();
}

Bytes Slice(const Bytes& data, std::size_t from, std::size_t to) {
    return Bytes(data.begin() + from, data.begin() + to);
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool IsOurAttribute(const Bytes& data, const DerElement& attribute) {
    DerElement type;
    return attribute.tag == kSequence &&
           ReadDerElement(data, attribute.contentStart, attribute.end, type) && type.tag == kOid &&
           Slice(data, type.contentStart, type.end) == kTagAttributeOid;
}

// One level of the path from the PKCS#7 object down to the signer's attributes: the element
// and the bytes of its content before the child that changes, which is always its last.
struct Level {
    std::uint8_t tag;
    Bytes before;
};

// The path ContentInfo > [0] > SignedData > signerInfos > last SignerInfo, the signer's
// unauthenticated attributes other than ours, and ours, in the order they stand.
struct SignerPath {
    std::vector<Level> levels;
    Bytes kept;
    std::vector<DerElement> ours;
};

// Whatever follows the object in the entry (zero padding, or a block appended there by
// another tool) is not carried over.
bool FindSignerPath(const Bytes& der, SignerPath& path, std::string& error) {
    std::vector<Level>& levels = path.levels;
    Bytes& kept = path.kept;
    error = "the signature is not a PKCS#7 SignedData object this tool understands";
    std::vector<DerElement> children;
    DerElement contentInfo;
    if (!ReadDerElement(der, 0, der.size(), contentInfo) || contentInfo.tag != kSequence ||
        !Children(der, contentInfo, children) || children.size() != 2 || children[0].tag != kOid ||
        Slice(der, children[0].contentStart, children[0].end) != kSignedDataOid ||
        children[1].tag != kContext0)
        return false;
    DerElement explicitTag = children[1];
    levels.push_back({kSequence, Slice(der, contentInfo.contentStart, explicitTag.start)});
    if (!Children(der, explicitTag, children) || children.size() != 1 ||
        children[0].tag != kSequence)
        return false;
    DerElement signedData = children[0];
    levels.push_back({kContext0, {}});
    if (!Children(der, signedData, children) || children.empty() || children.back().tag != kSet)
        return false;
    DerElement signerInfos = children.back();
    levels.push_back({kSequence, Slice(der, signedData.contentStart, signerInfos.start)});
    if (!Children(der, signerInfos, children) || children.empty() ||
        children.back().tag != kSequence)
        return false;
    DerElement signer = children.back();
    levels.push_back({kSet, Slice(der, signerInfos.contentStart, signer.start)});
    if (!Children(der, signer, children) || children.size() < 5)
        return false;
    std::size_t signedPartEnd = signer.end;
    kept.clear();
    if (children.back().tag == kContext1) {
        DerElement unsignedAttributes = children.back();
        signedPartEnd = unsignedAttributes.start;
        if (!Children(der, unsignedAttributes, children))
            return false;
        for (const DerElement& attribute : children) {
            if (IsOurAttribute(der, attribute))
                path.ours.push_back(attribute);
            else
                kept = Concat(kept, Slice(der, attribute.start, attribute.end));
        }
    }
    levels.push_back({kSequence, Slice(der, signer.contentStart, signedPartEnd)});
    std::reverse(levels.begin(), levels.end());
    error.clear();
    return true;
}

// The DER object of the certificate table's last entry, which must be an Authenticode
// signature, and where the entry starts.
bool LastSignature(ImageSource& image, const PeLayout& layout, std::uint64_t& last, Bytes& der,
                   std::string& error) {
    Directory table = layout.Dir(kSecurityDirectory);
    if (table.address == 0 || table.size == 0) {
        error = "the file is not signed";
        return false;
    }
    if (table.address > image.Size() || table.size > image.Size() - table.address) {
        error = "the certificate table reaches beyond the end of the file";
        return false;
    }
    if (static_cast<std::uint64_t>(table.address) + table.size != image.Size()) {
        error = "the certificate table is not the last thing in the file";
        return false;
    }
    if (table.address < layout.DataEnd()) {
        error = "the certificate table overlaps the image's headers or sections";
        return false;
    }
    Bytes entries;
    if (table.size > kMaxCertificateTableBytes) {
        error = "the certificate table is " + std::to_string(table.size) + " bytes, more than " +
                std::to_string(kMaxCertificateTableBytes) + " this tool reads";
        return false;
    }
    if (!image.Read(table.address, table.size, entries)) {
        error = "cannot read the certificate table";
        return false;
    }
    std::size_t end = entries.size(), at = 0, lastAt = 0;
    std::uint32_t lastLength = 0;
    while (at < end) {
        std::uint32_t length = end - at >= 8 ? ReadU32(entries, at) : 0;
        if (length < 8 || length > end - at) {
            error = "the certificate table is malformed";
            return false;
        }
        lastAt = at;
        lastLength = length;
        at += static_cast<std::size_t>(AlignUp(length, 8));
    }
    if (ReadU16(entries, lastAt + 4) != kCertificateRevision ||
        ReadU16(entries, lastAt + 6) != kPkcsSignedData) {
        error = "the last certificate entry is not an Authenticode signature";
        return false;
    }
    last = table.address + lastAt;
    der = Slice(entries, lastAt + 8, lastAt + lastLength);
    return true;
}

Bytes BuildObject(const std::vector<Level>& levels, const Bytes& kept, const Bytes& information,
                  std::size_t filler) {
    Bytes value(filler, 0);
    value.insert(value.end(), std::begin(kMarker), std::end(kMarker));
    value.insert(value.end(), information.begin(), information.end());
    value.insert(value.end(), kTailLength, 0);
    Bytes attribute = DerEncode(kSequence, Concat(DerEncode(kOid, kTagAttributeOid),
                                                  DerEncode(kSet, DerEncode(kOctetString, value))));
    Bytes inner = DerEncode(kContext1, Concat(kept, attribute));
    for (const Level& level : levels)
        inner = DerEncode(level.tag, Concat(level.before, inner));
    return inner;
}

// The information in one of our attributes, laid out as BuildObject lays it (zero filler,
// the marker, the information, a zero tail), and where its value ends in der.
bool ReadPlacedBlock(const Bytes& der, const DerElement& attribute, Bytes& information,
                     std::size_t& end) {
    std::vector<DerElement> children, values;
    if (!Children(der, attribute, children) || children.size() != 2 || children[1].tag != kSet ||
        !Children(der, children[1], values) || values.size() != 1 || values[0].tag != kOctetString)
        return false;
    auto isZero = [](std::uint8_t b) { return b == 0; };
    auto to = der.begin() + static_cast<std::ptrdiff_t>(values[0].end);
    auto from = std::find_if_not(der.begin() + static_cast<std::ptrdiff_t>(values[0].contentStart),
                                 to, isZero);
    const std::ptrdiff_t shortest = sizeof kMarker + 1 + kTailLength;
    if (to - from < shortest || !std::equal(std::begin(kMarker), std::end(kMarker), from) ||
        !std::all_of(to - kTailLength, to, isZero))
        return false;
    information.assign(from + sizeof kMarker, to - kTailLength);
    end = values[0].end;
    return true;
}

} // namespace

std::optional<Bytes> FindInformation(const Bytes& file) {
    if (file.size() <= kReaderWindow)
        return std::nullopt;
    const std::uint8_t* window = file.data() + file.size() - kReaderWindow - 1;
    for (std::size_t i = kReaderWindow - 5; i > 0; --i) {
        if (std::equal(std::begin(kMarker), std::end(kMarker), window + i)) {
            std::size_t information = i + 4;
            // The last byte of the file lies outside the window, so the tail starts here.
            std::size_t tail = kReaderWindow - kTailLength + 1;
            if (information >= tail)
                return std::nullopt;
            return Bytes(window + information, window + tail);
        }
    }
    return std::nullopt;
}

bool ShowInformation(const Bytes& file, std::optional<Bytes>& information, std::string& error) {
    MemoryImage source(file);
    return ShowInformation(source, information, error);
}

bool ShowInformation(ImageSource& file, std::optional<Bytes>& information, std::string& error) {
    information.reset();
    Bytes end;
    if (!file.Read(
            file.Size() - std::min<std::uint64_t>(file.Size(), kReaderWindow + 1),
            static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kReaderWindow + 1)),
            end)) {
        error = "cannot read the end of the file";
        return false;
    }
    const std::optional<Bytes> read = FindInformation(end);
    Bytes head, der;
    PeLayout layout;
    std::uint64_t last = 0;
    SignerPath path;
    std::string ignored;
    const bool understood = ReadPeHeaders(file, head, layout, ignored) &&
                            LastSignature(file, layout, last, der, ignored) &&
                            FindSignerPath(der, path, ignored);
    if (!understood || path.ours.empty()) {
        if (!read)
            return true;
        error = "the installer would read " + std::to_string(read->size()) +
                " bytes after an \"MRDC\" near the end of the file, but they are no block "
                "kitbag-tag placed in the signature";
        return false;
    }
    if (path.ours.size() > 1) {
        error = "the signature holds " + std::to_string(path.ours.size()) +
                " information blocks; tag the file again";
        return false;
    }
    Bytes placed;
    std::size_t blockEnd = 0;
    if (!ReadPlacedBlock(der, path.ours.back(), placed, blockEnd)) {
        error = "the information block in the signature is malformed; tag the file again";
        return false;
    }
    const std::uint64_t after = file.Size() - (last + 8 + blockEnd);
    if (after != 0) {
        error = "the information block is followed by " + std::to_string(after) +
                " bytes of the signature, which the installer would take for information (was "
                "the file signed again after it was tagged?); tag it again, after all signing";
        return false;
    }
    if (read != placed) {
        error = "the installer would not read the information block as it stands (the file "
                "is too small, or the block holds \"MRDC\")";
        return false;
    }
    information = placed;
    return true;
}

bool TaggedImage::Prepare(ImageSource& image, const Bytes& information, std::string& error) {
    m_image = nullptr;
    if (information.empty() || information.size() > kMaxInformation) {
        error = "the information must be 1 to " + std::to_string(kMaxInformation) +
                " bytes; it is " + std::to_string(information.size());
        return false;
    }
    if (HasMarker(information)) {
        error = "the information holds \"MRDC\"; the installer would take what follows it "
                "for the whole block";
        return false;
    }
    PeLayout layout;
    std::uint64_t last = 0;
    Bytes der;
    SignerPath path;
    if (!ReadPeHeaders(image, m_head, layout, error) ||
        !LastSignature(image, layout, last, der, error) || !FindSignerPath(der, path, error))
        return false;

    // A length octet may grow as the filler does, so try until the object is 8-aligned.
    Bytes object;
    for (std::size_t filler = 0; filler < 64; ++filler) {
        object = BuildObject(path.levels, path.kept, information, filler);
        if (object.size() % 8 == 0)
            break;
    }
    if (object.size() % 8 != 0 || object.size() > 0x7FFFFFF0u) {
        error = "no filler makes the signature's length a multiple of 8";
        return false;
    }
    // The last entry's header keeps its revision and type; the headers lie before the table.
    if (!image.Read(last, 8, m_tail)) {
        error = "cannot read the certificate table";
        return false;
    }
    WriteU32(m_tail, 0, static_cast<std::uint32_t>(8 + object.size()));
    m_tail.insert(m_tail.end(), object.begin(), object.end());
    m_image = &image;
    m_kept = last;
    if (m_head.size() > last)
        m_head.resize(static_cast<std::size_t>(last));
    m_checksumOffset = layout.ChecksumOffset();
    const Directory table = layout.Dir(kSecurityDirectory);
    WriteU32(m_head, layout.DirectoryOffset(kSecurityDirectory) + 4,
             static_cast<std::uint32_t>(Size() - table.address));
    WriteU32(m_head, m_checksumOffset, 0);

    std::optional<Bytes> shown;
    std::string why;
    if (!ShowInformation(*this, shown, why) || shown != information) {
        error = "the block would not fall where the installer looks for it";
        m_image = nullptr;
        return false;
    }
    return true;
}

bool TaggedImage::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (m_image == nullptr || offset > Size() || count > Size() - offset)
        return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        std::size_t n = count;
        if (offset < m_head.size()) {
            n = std::min<std::size_t>(n, m_head.size() - static_cast<std::size_t>(offset));
            std::memcpy(out, m_head.data() + offset, n);
        } else if (offset < m_kept) {
            n = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_kept - offset));
            if (!m_image->ReadAt(offset, out, n))
                return false;
        } else {
            std::memcpy(out, m_tail.data() + (offset - m_kept), n);
        }
        out += n;
        offset += n;
        count -= n;
    }
    return true;
}

bool TagImage(const Bytes& image, const Bytes& information, Bytes& out, std::string& error) {
    MemoryImage source(image);
    TaggedImage tagged;
    out.clear();
    if (!tagged.Prepare(source, information, error))
        return false;
    out.resize(static_cast<std::size_t>(tagged.Size()));
    tagged.ReadAt(0, out.data(), out.size());
    WriteU32(out, tagged.ChecksumOffset(), PeChecksum(out, tagged.ChecksumOffset()));
    return true;
}

} // namespace kitbag
