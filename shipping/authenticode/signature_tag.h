#pragma once
// The information block in the signature area of a signed PE32 image. The installer reads
// "MRDC", the information and six more bytes from the last 4116 bytes of its file; the block
// is kept inside the PKCS#7 object, as the value of an unauthenticated attribute of its last
// signer, so that the certificate entry stays one DER object with nothing after it. That puts
// it at the very end of the certificate table, after any nested signature; a signature
// nested later lands after the block, and the file has to be tagged again.
#include "shipping/base/bytes.h"
#include "shipping/pe/image_file.h"

#include <optional>
#include <string>

namespace kitbag {

constexpr std::size_t kReaderWindow = 4116;
constexpr std::size_t kTailLength = 6;
constexpr std::size_t kMaxInformation = kReaderWindow - 4 - kTailLength;

// Kitbag's attribute type: 2.25.109447384397011082945983204978648656394.1, an OID under the
// UUID arc (no registration needed), used for nothing but this block.
extern const Bytes kTagAttributeOid;

// What the installer's scan finds in this file: the information, or nothing.
std::optional<Bytes> FindInformation(const Bytes& file);

// What kitbag-tag --show reports: the information, or nothing when the installer would find
// no block; false with a reason when what it would read is not exactly a block placed by
// TagImage at the end of the certificate table (bytes follow it, say, after another signing).
bool ShowInformation(const Bytes& file, std::optional<Bytes>& information, std::string& error);
// The same, reading only the file's headers, its certificate table and its last bytes.
bool ShowInformation(ImageSource& file, std::optional<Bytes>& information, std::string& error);

// Places information at the very end of the image's certificate table, as the last
// unauthenticated attribute of the last signer, replacing an earlier block of ours.
bool TagImage(const Bytes& image, const Bytes& information, Bytes& out, std::string& error);

// The image TagImage makes, read from the one it is made from as it is written: the headers
// and the certificate table's last entry are new, the bytes between them the image's own. Its
// checksum field holds zero; the writer sums the checksum on the way and puts it in.
class TaggedImage final : public ImageSource {
public:
    // Reads the headers and the certificate table of image, which must outlive this.
    bool Prepare(ImageSource& image, const Bytes& information, std::string& error);
    std::uint64_t Size() const override { return m_kept + m_tail.size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;
    std::size_t ChecksumOffset() const { return m_checksumOffset; }

private:
    ImageSource* m_image = nullptr;
    Bytes m_head;             // the image's first bytes, as far as its section table at least
    std::uint64_t m_kept = 0; // where the last entry starts
    Bytes m_tail;             // the new last entry
    std::size_t m_checksumOffset = 0;
};

} // namespace kitbag
