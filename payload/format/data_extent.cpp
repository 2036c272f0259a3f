#include "payload/format/data_extent.h"

#include <cstring>

namespace {

std::uint64_t ReadU64(const unsigned char* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

void AppendU64(std::vector<unsigned char>& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

bool ReadDataExtent(const unsigned char* data, std::size_t size, DataExtent& extent) {
    static const unsigned char kZero[4] = {};
    if (size != kExtentSize || std::memcmp(data, kExtentMagic, sizeof kExtentMagic) != 0 ||
        std::memcmp(data + 4, kZero, sizeof kZero) != 0)
        return false;
    extent.offset = ReadU64(data + 8);
    extent.size = ReadU64(data + 16);
    return true;
}

std::vector<unsigned char> WriteDataExtent(const DataExtent& extent) {
    std::vector<unsigned char> out(kExtentMagic, kExtentMagic + sizeof kExtentMagic);
    out.insert(out.end(), 4, 0);
    AppendU64(out, extent.offset);
    AppendU64(out, extent.size);
    return out;
}
