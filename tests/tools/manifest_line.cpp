#include "manifest_line.h"

std::string ManifestOnOneLine(const char* data, std::size_t size) {
    if (data == nullptr)
        return {};
    std::size_t pos = 0;
    if (size >= 3 && static_cast<unsigned char>(data[0]) == 0xEF &&
        static_cast<unsigned char>(data[1]) == 0xBB && static_cast<unsigned char>(data[2]) == 0xBF)
        pos = 3;
    std::string out;
    out.reserve(size - pos);
    for (; pos < size; ++pos) {
        const char c = data[pos];
        if (c != '\r' && c != '\n' && c != '\0')
            out += c;
    }
    return out;
}
