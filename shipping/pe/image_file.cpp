#include "shipping/pe/image_file.h"

#include "shipping/base/utf8_system.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace kitbag {

namespace {

// How many of the file's first bytes its headers and section table take, as far as head tells.
std::uint64_t HeadersLength(const Bytes& head) {
    if (head.size() < 64 || head[0] != 'M' || head[1] != 'Z')
        return head.size();
    const std::uint64_t pe = ReadU32(head, 60);
    if (pe + 24 > head.size())
        return pe + 24;
    return pe + 24 + ReadU16(head, static_cast<std::size_t>(pe + 20)) +
           40ull * ReadU16(head, static_cast<std::size_t>(pe + 6));
}

} // namespace

bool ImageSource::Read(std::uint64_t offset, std::size_t count, Bytes& out) {
    out.resize(count);
    if (ReadAt(offset, out.data(), count))
        return true;
    out.clear();
    return false;
}

bool MemoryImage::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (!InBounds(m_image.size(), offset, count))
        return false;
    if (count != 0)
        std::memcpy(buffer, m_image.data() + offset, count);
    return true;
}

bool ImageFile::Open(const std::string& path, std::string& error, std::uint64_t maxBytes) {
    if (!CheckRegularFile(path, error))
        return false;
    std::error_code failure;
    if (!m_file.Open(path, path, ListedFile::kAnySize, {}, error))
        return false;
    m_size = std::filesystem::file_size(PathOf(path), failure);
    if (failure) {
        error = "cannot read '" + path + "': " + failure.message();
        return false;
    }
    if (m_size > maxBytes) {
        error = "'" + path + "' is " + std::to_string(m_size) + " bytes, more than the " +
                std::to_string(maxBytes) + " such a file may have";
        return false;
    }
    return true;
}

bool ImageFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    return offset <= m_size && count <= m_size - offset && m_file.ReadAt(offset, buffer, count);
}

bool ReadPeHeaders(ImageSource& image, Bytes& head, PeLayout& layout, std::string& error) {
    constexpr std::uint64_t kFirst = 4096, kMost = 16u << 20;
    // The first read tells where the PE header lies, the second how long the section table is.
    std::uint64_t want = std::min(image.Size(), kFirst);
    for (int pass = 0; pass < 3; ++pass) {
        if (!image.Read(0, static_cast<std::size_t>(want), head)) {
            error = "cannot read the image's headers";
            return false;
        }
        want = std::min({HeadersLength(head), image.Size(), kMost});
        if (want <= head.size())
            break;
    }
    return ParsePe(head, image.Size(), layout, error);
}

} // namespace kitbag
