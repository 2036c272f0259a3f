#pragma once
// An image read at offsets rather than held: the tools that only look at an installer (its
// headers, resource directory, blocks' heads and signature) read a file of up to 4 GiB a
// piece at a time, in memory that does not grow with it.
#include "shipping/base/bytes.h"
#include "shipping/base/files.h"
#include "shipping/base/listed_file.h"
#include "shipping/pe/pe_layout.h"

#include <cstdint>
#include <string>

namespace kitbag {

class ImageSource {
public:
    virtual std::uint64_t Size() const = 0;
    // Exactly count bytes from offset; false when they do not all lie in the image or cannot be
    // read.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
    // The same, into out.
    bool Read(std::uint64_t offset, std::size_t count, Bytes& out);

protected:
    ~ImageSource() = default;
};

class MemoryImage final : public ImageSource {
public:
    explicit MemoryImage(const Bytes& image) : m_image(image) {}
    std::uint64_t Size() const override { return m_image.size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    const Bytes& m_image;
};

class ImageFile final : public ImageSource {
public:
    // Refuses, by name, what ReadWholeFile refuses: a folder, a device, a pipe or a socket, or a
    // file of more than maxBytes.
    bool Open(const std::string& path, std::string& error, std::uint64_t maxBytes = kMaxImageBytes);
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    ListedFile m_file;
    std::uint64_t m_size = 0;
};

// The most a certificate table is read into memory for: signatures take kilobytes.
constexpr std::uint64_t kMaxCertificateTableBytes = 16u << 20;

// The image's first bytes, as many as its headers and section table take (up to 16 MiB), and
// the layout they describe, checked as ParsePe checks a whole image.
bool ReadPeHeaders(ImageSource& image, Bytes& head, PeLayout& layout, std::string& error);

} // namespace kitbag
