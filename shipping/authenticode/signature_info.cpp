#include "shipping/authenticode/signature_info.h"

#include "shipping/pe/pe_layout.h"
#include "shipping/authenticode/der_reader.h"
#include "shipping/base/text.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace kitbag {

namespace {

constexpr std::uint8_t kDirectoryName = 0xA4;

const Bytes kSignedDataOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
const Bytes kTstInfoOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x01, 0x04};
const Bytes kCounterSignatureOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x06};
const Bytes kSigningTimeOid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05};
// Where an RFC 3161 token is kept in an Authenticode signature.
const Bytes kRfc3161Oid = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x03, 0x03, 0x01};

const char kNotUnderstood[] = "the signature is not a PKCS#7 SignedData object this tool reads";

struct SignedDataParts {
    std::vector<DerElement> certificates;
    DerElement encapsulated; // encapContentInfo
    DerElement signer;       // the first SignerInfo
};

// ContentInfo { signedData, [0] { SignedData } } with at least one signer.
bool ReadSignedData(const Bytes& d, const DerElement& contentInfo, SignedDataParts& parts) {
    std::vector<DerElement> children;
    DerElement signedData, signerInfos;
    if (contentInfo.tag != kSequence || !Children(d, contentInfo, children) ||
        children.size() != 2 || children[0].tag != kOid ||
        !ContentIs(d, children[0], kSignedDataOid) || children[1].tag != kContext0 ||
        !OnlyChild(d, children[1], kSequence, signedData) || !Children(d, signedData, children) ||
        children.size() < 4 || children[0].tag != kInteger || children[1].tag != kSet ||
        children[2].tag != kSequence || children.back().tag != kSet)
        return false;
    parts.encapsulated = children[2];
    signerInfos = children.back();
    parts.certificates.clear();
    for (std::size_t i = 3; i + 1 < children.size(); ++i) {
        if (children[i].tag != kContext0)
            continue;
        if (!Children(d, children[i], parts.certificates))
            return false;
        break;
    }
    if (!Children(d, signerInfos, children) || children.empty() || children[0].tag != kSequence)
        return false;
    parts.signer = children[0];
    return true;
}

// A SignerInfo's parts: version, issuerAndSerialNumber, digest algorithm, [0] authenticated
// attributes, signature algorithm, signature, [1] unauthenticated attributes.
struct SignerParts {
    DerElement issuer, serial;
    std::optional<DerElement> authenticated, unauthenticated;
};

bool ReadSigner(const Bytes& d, const DerElement& signer, SignerParts& parts) {
    std::vector<DerElement> children, identity;
    if (signer.tag != kSequence || !Children(d, signer, children) || children.size() < 5 ||
        children[0].tag != kInteger || children[1].tag != kSequence ||
        !Children(d, children[1], identity) || identity.size() != 2 ||
        identity[0].tag != kSequence || identity[1].tag != kInteger)
        return false;
    parts.issuer = identity[0];
    parts.serial = identity[1];
    parts.authenticated.reset();
    parts.unauthenticated.reset();
    for (std::size_t i = 3; i < children.size(); ++i) {
        if (children[i].tag == kContext0)
            parts.authenticated = children[i];
        else if (children[i].tag == kContext1)
            parts.unauthenticated = children[i];
    }
    return true;
}

// The certificate of the signer named by issuer and serial number, and its subject and issuer.
bool FindCertificate(const Bytes& d, const std::vector<DerElement>& certificates,
                     const SignerParts& signer, DerElement& subject, DerElement& issuer) {
    for (const DerElement& certificate : certificates) {
        std::vector<DerElement> outer, tbs;
        if (certificate.tag != kSequence || !Children(d, certificate, outer) || outer.empty() ||
            outer[0].tag != kSequence || !Children(d, outer[0], tbs))
            continue;
        const std::size_t first = !tbs.empty() && tbs[0].tag == kContext0 ? 1 : 0;
        if (tbs.size() < first + 6 || tbs[first].tag != kInteger ||
            tbs[first + 2].tag != kSequence || tbs[first + 4].tag != kSequence)
            continue;
        if (SameElement(d, tbs[first], signer.serial) &&
            SameElement(d, tbs[first + 2], signer.issuer)) {
            issuer = tbs[first + 2];
            subject = tbs[first + 4];
            return true;
        }
    }
    return false;
}

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

bool Digits(const Bytes& d, std::size_t from, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (d[i] < '0' || d[i] > '9')
            return false;
        value = value * 10 + (d[i] - '0');
    }
    return true;
}

// A UTCTime or GeneralizedTime as DER writes them (seconds, UTC, GeneralizedTime with an
// optional fraction that is left out) as "YYYY-MM-DD HH:MM:SS UTC"; "" when malformed.
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

// The values of the attribute of this type in a [0] or [1] attribute set.
bool FindAttribute(const Bytes& d, const DerElement& attributes, const Bytes& type,
                   std::vector<DerElement>& values) {
    std::vector<DerElement> children, pair;
    if (!Children(d, attributes, children))
        return false;
    for (const DerElement& attribute : children) {
        if (attribute.tag == kSequence && Children(d, attribute, pair) && pair.size() == 2 &&
            pair[0].tag == kOid && ContentIs(d, pair[0], type) && pair[1].tag == kSet)
            return Children(d, pair[1], values);
    }
    return false;
}

// The authority of a time stamp: the subject of the certificate its signer names, looked for
// among the certificates of each set given in turn.
std::string AuthorityName(const Bytes& d, const SignerParts& signer,
                          std::initializer_list<const std::vector<DerElement>*> sets) {
    DerElement subject, issuer;
    for (const std::vector<DerElement>* certificates : sets)
        if (FindCertificate(d, *certificates, signer, subject, issuer))
            return NameTextAt(d, subject);
    return {};
}

// An RFC 3161 token: a SignedData holding a TSTInfo, whose genTime is the time.
bool ReadRfc3161(const Bytes& d, const DerElement& token,
                 const std::vector<DerElement>& outerCertificates, TimeStamp& stamp,
                 std::string& problem) {
    SignedDataParts parts;
    SignerParts signer;
    std::vector<DerElement> encapsulated, tstInfo;
    DerElement octets, info;
    problem = "the RFC 3161 token is malformed";
    if (!ReadSignedData(d, token, parts) || !ReadSigner(d, parts.signer, signer) ||
        !Children(d, parts.encapsulated, encapsulated) || encapsulated.size() != 2 ||
        encapsulated[0].tag != kOid || !ContentIs(d, encapsulated[0], kTstInfoOid) ||
        encapsulated[1].tag != kContext0 || !OnlyChild(d, encapsulated[1], kOctetString, octets) ||
        !ReadDerElement(d, octets.contentStart, octets.end, info) || info.tag != kSequence ||
        info.end != octets.end || !Children(d, info, tstInfo) || tstInfo.size() < 5 ||
        tstInfo[0].tag != kInteger || tstInfo[1].tag != kOid || tstInfo[2].tag != kSequence ||
        tstInfo[3].tag != kInteger || tstInfo[4].tag != kGeneralizedTime)
        return false;
    stamp.kind = TimeStamp::Kind::Rfc3161;
    stamp.time = TimeText(d, tstInfo[4]);
    if (stamp.time.empty()) {
        problem = "the RFC 3161 token's time is malformed";
        return false;
    }
    stamp.authority = AuthorityName(d, signer, {&parts.certificates, &outerCertificates});
    // Without its certificate, the name the token may give itself: tsa [0] { directoryName }.
    for (std::size_t i = 5; i < tstInfo.size() && stamp.authority.empty(); ++i) {
        DerElement general, name;
        if (tstInfo[i].tag == kContext0 && OnlyChild(d, tstInfo[i], kDirectoryName, general) &&
            OnlyChild(d, general, kSequence, name))
            stamp.authority = NameTextAt(d, name);
    }
    problem.clear();
    return true;
}

// A counter-signature: a SignerInfo whose authenticated signingTime is the time; its
// certificate is among the signature's own.
bool ReadCounterSignature(const Bytes& d, const DerElement& counterSigner,
                          const std::vector<DerElement>& outerCertificates, TimeStamp& stamp,
                          std::string& problem) {
    SignerParts signer;
    std::vector<DerElement> times;
    problem = "the counter-signature is malformed";
    if (!ReadSigner(d, counterSigner, signer))
        return false;
    if (!signer.authenticated || !FindAttribute(d, *signer.authenticated, kSigningTimeOid, times) ||
        times.size() != 1) {
        problem = "the counter-signature carries no signing time";
        return false;
    }
    stamp.kind = TimeStamp::Kind::CounterSignature;
    stamp.time = TimeText(d, times[0]);
    if (stamp.time.empty()) {
        problem = "the counter-signature's signing time is malformed";
        return false;
    }
    stamp.authority = AuthorityName(d, signer, {&outerCertificates});
    problem.clear();
    return true;
}

// The first time stamp among the signer's unauthenticated attributes.
void ReadTimeStamp(const Bytes& d, const SignerParts& signer,
                   const std::vector<DerElement>& certificates, SignatureInfo& info) {
    std::vector<DerElement> attributes, pair, values;
    if (!signer.unauthenticated)
        return;
    if (!Children(d, *signer.unauthenticated, attributes)) {
        info.timeStampProblem = "the signer's unauthenticated attributes are malformed";
        return;
    }
    for (const DerElement& attribute : attributes) {
        if (attribute.tag != kSequence || !Children(d, attribute, pair) || pair.size() != 2 ||
            pair[0].tag != kOid)
            continue;
        const bool rfc3161 = ContentIs(d, pair[0], kRfc3161Oid);
        const bool counter = ContentIs(d, pair[0], kCounterSignatureOid);
        if (!rfc3161 && !counter)
            continue;
        TimeStamp stamp;
        if (pair[1].tag != kSet || !Children(d, pair[1], values) || values.empty())
            info.timeStampProblem = "the time-stamp attribute holds no value";
        else if (rfc3161 ? ReadRfc3161(d, values[0], certificates, stamp, info.timeStampProblem)
                         : ReadCounterSignature(d, values[0], certificates, stamp,
                                                info.timeStampProblem))
            info.timeStamp = stamp;
        return;
    }
}

} // namespace

std::string NameText(const Bytes& name) {
    DerElement element;
    if (!ReadDerElement(name, 0, name.size(), element) || element.end != name.size())
        return {};
    return NameTextAt(name, element);
}

bool ReadSignatureInfo(const Bytes& image, std::optional<SignatureInfo>& info, std::string& error) {
    info.reset();
    PeLayout layout;
    if (!ParsePe(image, layout, error))
        return false;
    const Directory table = layout.Dir(kSecurityDirectory);
    if (table.address == 0 || table.size == 0)
        return true;
    if (!InBounds(image.size(), table.address, table.size) || table.size < 8) {
        error = "the certificate table reaches beyond the end of the file";
        return false;
    }
    const std::uint32_t length = ReadU32(image, table.address);
    if (length < 8 || length > table.size) {
        error = "the certificate table is malformed";
        return false;
    }
    if (ReadU16(image, table.address + 4) != 0x0200 || ReadU16(image, table.address + 6) != 2) {
        error = "the certificate table's first entry is not an Authenticode signature";
        return false;
    }
    const Bytes d(image.begin() + table.address + 8, image.begin() + table.address + length);

    DerElement contentInfo, subject, issuer;
    SignedDataParts parts;
    SignerParts signer;
    if (!ReadDerElement(d, 0, d.size(), contentInfo) || !ReadSignedData(d, contentInfo, parts) ||
        !ReadSigner(d, parts.signer, signer)) {
        error = kNotUnderstood;
        return false;
    }
    if (!FindCertificate(d, parts.certificates, signer, subject, issuer)) {
        error = "the signature does not carry its signer's certificate (issued by '" +
                NameTextAt(d, signer.issuer) + "')";
        return false;
    }
    SignatureInfo read;
    read.signer = NameTextAt(d, subject);
    read.issuer = NameTextAt(d, issuer);
    ReadTimeStamp(d, signer, parts.certificates, read);
    info = read;
    return true;
}

} // namespace kitbag
