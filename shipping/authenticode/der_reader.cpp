#include "shipping/authenticode/der_reader.h"

#include <algorithm>

namespace kitbag {

bool ReadDerElement(const Bytes& data, std::size_t at, std::size_t limit, DerElement& element) {
    limit = std::min(limit, data.size());
    if (at >= limit || limit - at < 2 || (data[at] & 0x1F) == 0x1F)
        return false;
    element.tag = data[at];
    element.start = at;
    std::size_t length = data[at + 1];
    std::size_t header = 2;
    if (length & 0x80) {
        std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || limit - at < 2 + count)
            return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | data[at + 2 + i];
        header += count;
    }
    if (length > limit - at - header)
        return false;
    element.contentStart = at + header;
    element.end = element.contentStart + length;
    return true;
}

bool Children(const Bytes& d, const DerElement& parent, std::vector<DerElement>& children) {
    children.clear();
    for (std::size_t at = parent.contentStart; at < parent.end;) {
        DerElement child;
        if (!ReadDerElement(d, at, parent.end, child))
            return false;
        children.push_back(child);
        at = child.end;
    }
    return true;
}

bool OnlyChild(const Bytes& d, const DerElement& parent, std::uint8_t tag, DerElement& child) {
    std::vector<DerElement> children;
    if (!Children(d, parent, children) || children.size() != 1 || children[0].tag != tag)
        return false;
    child = children[0];
    return true;
}

bool ContentIs(const Bytes& d, const DerElement& e, const Bytes& expected) {
    return std::equal(d.begin() + static_cast<std::ptrdiff_t>(e.contentStart),
                      d.begin() + static_cast<std::ptrdiff_t>(e.end), expected.begin(),
                      expected.end());
}

bool SameElement(const Bytes& d, const DerElement& a, const DerElement& b) {
    return std::equal(d.begin() + static_cast<std::ptrdiff_t>(a.start),
                      d.begin() + static_cast<std::ptrdiff_t>(a.end),
                      d.begin() + static_cast<std::ptrdiff_t>(b.start),
                      d.begin() + static_cast<std::ptrdiff_t>(b.end));
}

Bytes DerLength(std::size_t length) {
    if (length < 0x80)
        return {static_cast<std::uint8_t>(length)};
    Bytes digits;
    for (; length != 0; length >>= 8)
        digits.insert(digits.begin(), static_cast<std::uint8_t>(length));
    digits.insert(digits.begin(), static_cast<std::uint8_t>(0x80 | digits.size()));
    return digits;
}

Bytes DerEncode(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    Bytes length = DerLength(content.size());
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

} // namespace kitbag
