#pragma once
// Little-endian reads and writes on a byte buffer. Callers check every offset taken from a
// file and say what is wrong with it; should one be missed, the access throws instead of
// running over the buffer.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kitbag {

using Bytes = std::vector<std::uint8_t>;

inline void CheckAccess(const Bytes& b, std::size_t at, std::size_t width) {
    if (at > b.size() || width > b.size() - at)
        throw std::out_of_range("malformed data: " + std::to_string(width) + " bytes at offset " +
                                std::to_string(at) + " lie beyond its end (" +
                                std::to_string(b.size()) + " bytes)");
}
inline std::uint16_t ReadU16(const Bytes& b, std::size_t at) {
    CheckAccess(b, at, 2);
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t ReadU32(const Bytes& b, std::size_t at) {
    CheckAccess(b, at, 4);
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline void WriteU16(Bytes& b, std::size_t at, std::uint16_t v) {
    CheckAccess(b, at, 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteU32(Bytes& b, std::size_t at, std::uint32_t v) {
    CheckAccess(b, at, 4);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void AppendU16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// True when [at, at + length) lies inside a buffer of `size` bytes, without overflow.
inline bool InBounds(std::size_t size, std::uint64_t at, std::uint64_t length) {
    return at <= size && length <= size - at;
}
// Rounds up to a power-of-two alignment.
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) & ~(alignment - 1);
}

} // namespace kitbag
