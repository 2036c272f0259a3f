#include "shipping/base/printable_text.h"

namespace kitbag {

namespace {

std::string Escaped(unsigned char c) {
    const char* digits = "0123456789ABCDEF";
    return std::string{'\\', 'x', digits[c >> 4], digits[c & 0x0F]};
}

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    // No overlong forms, surrogates, or code points past U+10FFFF.
    const unsigned char second = length > 1 ? byte(at + 1) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

} // namespace

std::string PrintableText(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = SequenceLength(text, at);
        if (length == 0 || c < 0x20 || c == 0x7F) {
            out += Escaped(c);
            ++at;
        } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            out += Escaped(static_cast<unsigned char>(text[at + 1])); // C1: U+0080 to U+009F
            at += 2;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

} // namespace kitbag
