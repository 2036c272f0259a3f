#include "unsigned_text.h"

namespace {

int DigitValue(wchar_t c, unsigned base) {
    int v = -1;
    if (c >= L'0' && c <= L'9')
        v = c - L'0';
    else if (c >= L'a' && c <= L'f')
        v = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F')
        v = c - L'A' + 10;
    return v >= 0 && static_cast<unsigned>(v) < base ? v : -1;
}

} // namespace

bool ParseUnsigned32(const std::wstring& text, std::uint32_t& value) {
    unsigned base = 10;
    std::size_t pos = 0;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        pos = 2;
    }
    if (pos >= text.size())
        return false;
    std::uint64_t result = 0;
    for (; pos < text.size(); ++pos) {
        int digit = DigitValue(text[pos], base);
        if (digit < 0)
            return false;
        result = result * base + static_cast<unsigned>(digit);
        if (result > 0xFFFFFFFFu)
            return false;
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

std::wstring Hex32(std::uint32_t value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xFu];
    return out;
}
