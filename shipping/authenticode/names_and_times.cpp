#include "shipping/authenticode/names_and_times.h"

#include "shipping/base/text.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace kitbag {

namespace {

std::string Hex(const Bytes& d, std::size_t from, std::size_t to) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        out.push_back(digits[d[i] >> 4]);
        out.push_back(digits[d[i] & 0x0F]);
    }
    return out;
}

// The dotted form of an object identifier's content; "" when it is malformed.
std::string OidText(const Bytes& d, const DerElement& oid) {
    std::string out;
    std::uint64_t arc = 0;
    bool first = true;
    for (std::size_t i = oid.contentStart; i < oid.end; ++i) {
        if (arc > (UINT64_MAX >> 7))
            return {};
        arc = (arc << 7) | (d[i] & 0x7F);
        if (d[i] & 0x80)
            continue;
        if (first) {
            const std::uint64_t top = arc < 40 ? 0 : arc < 80 ? 1 : 2;
            out = std::to_string(top) + "." + std::to_string(arc - 40 * top);
            first = false;
        } else {
            out += "." + std::to_string(arc);
        }
        arc = 0;
    }
    return oid.end > oid.contentStart && !(d[oid.end - 1] & 0x80) ? out : std::string();
}

struct AttributeName {
    Bytes oid;
    const char* name;
};

const AttributeName kAttributeNames[] = {
    {{0x55, 0x04, 0x03}, "CN"},
    {{0x55, 0x04, 0x05}, "SERIALNUMBER"},
    {{0x55, 0x04, 0x06}, "C"},
    {{0x55, 0x04, 0x07}, "L"},
    {{0x55, 0x04, 0x08}, "ST"},
    {{0x55, 0x04, 0x09}, "STREET"},
    {{0x55, 0x04, 0x0A}, "O"},
    {{0x55, 0x04, 0x0B}, "OU"},
    {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01}, "E"},
    {{0x09, 0x92, 0x26, 0x89, 0x93, 0xF2, 0x2C, 0x64, 0x01, 0x19}, "DC"},
    {{0x09, 0x92, 0x26, 0x89, 0x93, 0xF2, 0x2C, 0x64, 0x01, 0x01}, "UID"},
};

std::string AttributeTypeText(const Bytes& d, const DerElement& type) {
    for (const AttributeName& known : kAttributeNames)
        if (ContentIs(d, type, known.oid))
            return known.name;
    std::string dotted = OidText(d, type);
    return dotted.empty() ? "#" + Hex(d, type.contentStart, type.end) : dotted;
}

// The text of a directory string as UTF-8; nothing for a type that is not one, or bytes that
// its type does not allow.
std::optional<std::string> StringValue(const Bytes& d, const DerElement& value) {
    const std::size_t from = value.contentStart, to = value.end;
    std::u16string text;
    switch (value.tag) {
    case 0x0C: { // UTF8String
        auto decoded = Utf8ToUtf16(std::string(d.begin() + static_cast<std::ptrdiff_t>(from),
                                               d.begin() + static_cast<std::ptrdiff_t>(to)));
        if (!decoded)
            return std::nullopt;
        text = *decoded;
        break;
    }
    case 0x12: // NumericString
    case 0x13: // PrintableString
    case 0x14: // TeletexString, read as Latin-1 as most readers do
    case 0x16: // IA5String
    case 0x1A: // VisibleString
        for (std::size_t i = from; i < to; ++i)
            text.push_back(d[i]);
        break;
    case 0x1E: // BMPString, big-endian UTF-16
        if ((to - from) % 2 != 0)
            return std::nullopt;
        for (std::size_t i = from; i < to; i += 2)
            text.push_back(static_cast<char16_t>(d[i] << 8 | d[i + 1]));
        break;
    case 0x1C: // UniversalString, big-endian UTF-32
        if ((to - from) % 4 != 0)
            return std::nullopt;
        for (std::size_t i = from; i < to; i += 4)
            AppendUtf16(text, static_cast<char32_t>(d[i]) << 24 |
                                  static_cast<char32_t>(d[i + 1]) << 16 |
                                  static_cast<char32_t>(d[i + 2]) << 8 | d[i + 3]);
        break;
    default:
        return std::nullopt;
    }
    return Utf16ToUtf8(text);
}

// RFC 4514's escapes, and every control character (C0, DEL and C1) as \XX, so that the text
// can be printed as it is.
std::string EscapeValue(const std::string& value) {
    static const char digits[] = "0123456789ABCDEF";
    auto hex = [](unsigned char c) { return std::string{'\\', digits[c >> 4], digits[c & 0x0F]}; };
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F) {
            out += hex(c);
        } else if (c == 0xC2 && i + 1 < value.size() &&
                   static_cast<unsigned char>(value[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(value[i + 1]) <= 0x9F) {
            out += hex(c) + hex(static_cast<unsigned char>(value[++i]));
        } else if (std::string(",+\"\\<>;").find(static_cast<char>(c)) != std::string::npos ||
                   ((c == '#' || c == ' ') && i == 0) || (c == ' ' && i + 1 == value.size())) {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// One RDN's attributes joined with '+'; false when it is not a SET of type and value pairs.
bool RdnText(const Bytes& d, const DerElement& rdn, std::string& text) {
    std::vector<DerElement> attributes, pair;
    if (rdn.tag != kSet || !Children(d, rdn, attributes) || attributes.empty())
        return false;
    text.clear();
    for (const DerElement& attribute : attributes) {
        if (attribute.tag != kSequence || !Children(d, attribute, pair) || pair.size() != 2 ||
            pair[0].tag != kOid)
            return false;
        std::optional<std::string> value = StringValue(d, pair[1]);
        text += (text.empty() ? "" : "+") + AttributeTypeText(d, pair[0]) + "=" +
                (value ? EscapeValue(*value) : "#" + Hex(d, pair[1].start, pair[1].end));
    }
    return true;
}

bool Digits(const Bytes& d, std::size_t from, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (d[i] < '0' || d[i] > '9')
            return false;
        value = value * 10 + (d[i] - '0');
    }
    return true;
}

} // namespace

std::string NameTextAt(const Bytes& d, const DerElement& name) {
    std::vector<DerElement> rdns;
    if (name.tag != kSequence || !Children(d, name, rdns))
        return {};
    std::string text, part;
    for (auto rdn = rdns.rbegin(); rdn != rdns.rend(); ++rdn) {
        if (!RdnText(d, *rdn, part))
            return {};
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

std::string NameText(const Bytes& name) {
    DerElement element;
    if (!ReadDerElement(name, 0, name.size(), element) || element.end != name.size())
        return {};
    return NameTextAt(name, element);
}

std::string TimeText(const Bytes& d, const DerElement& time) {
    const std::size_t length = time.end - time.contentStart;
    std::size_t at = time.contentStart;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (time.tag == kUtcTime) {
        if (length != 13 || !Digits(d, at, 2, year))
            return {};
        year += year < 50 ? 2000 : 1900;
        at += 2;
    } else if (time.tag == kGeneralizedTime) {
        if (length < 15 || !Digits(d, at, 4, year))
            return {};
        at += 4;
        // A fraction: a dot and at least one digit, before the Z.
        if (length != 15) {
            if (length < 17 || d[time.contentStart + 14] != '.')
                return {};
            for (std::size_t i = time.contentStart + 15; i + 1 < time.end; ++i)
                if (d[i] < '0' || d[i] > '9')
                    return {};
        }
    } else {
        return {};
    }
    if (!Digits(d, at, 2, month) || !Digits(d, at + 2, 2, day) || !Digits(d, at + 4, 2, hour) ||
        !Digits(d, at + 6, 2, minute) || !Digits(d, at + 8, 2, second) || d[time.end - 1] != 'Z' ||
        month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", year, month, day, hour,
                  minute, second);
    return text;
}

} // namespace kitbag
