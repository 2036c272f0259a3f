#pragma once
// DER, the encoding of a signature's PKCS#7 object, as kitbag-tag and kitbag-pack --list read
// it: one element at a time, each checked to lie within its parent and the data; and the
// little encoding kitbag-tag needs to write its block back.
#include "shipping/base/bytes.h"

#include <vector>

namespace kitbag {

constexpr std::uint8_t kInteger = 0x02, kOctetString = 0x04, kOid = 0x06, kSequence = 0x30,
                       kSet = 0x31, kUtcTime = 0x17, kGeneralizedTime = 0x18;
constexpr std::uint8_t kContext0 = 0xA0, kContext1 = 0xA1;

struct DerElement {
    std::uint8_t tag = 0;
    std::size_t start = 0;        // the tag byte
    std::size_t contentStart = 0; // after the length
    std::size_t end = 0;          // one past the content
};

// Reads the element at `at`, which must end by `limit`: single-byte tags and definite
// lengths of up to four bytes only.
bool ReadDerElement(const Bytes& data, std::size_t at, std::size_t limit, DerElement& element);
// The elements that make up parent's content, in order; false when they do not fill it.
bool Children(const Bytes& d, const DerElement& parent, std::vector<DerElement>& children);
// The one child of an element, of the given tag.
bool OnlyChild(const Bytes& d, const DerElement& parent, std::uint8_t tag, DerElement& child);
// The element's content is exactly these bytes.
bool ContentIs(const Bytes& d, const DerElement& e, const Bytes& expected);
// The two elements' bytes, tag and length included, are the same.
bool SameElement(const Bytes& d, const DerElement& a, const DerElement& b);

Bytes DerLength(std::size_t length);
Bytes DerEncode(std::uint8_t tag, const Bytes& content);

} // namespace kitbag
