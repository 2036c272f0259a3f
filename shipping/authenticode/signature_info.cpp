#include "shipping/authenticode/signature_info.h"

#include "shipping/pe/pe_layout.h"
#include "shipping/authenticode/der_reader.h"
#include "shipping/authenticode/names_and_times.h"

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

bool ReadSignatureInfo(const Bytes& image, std::optional<SignatureInfo>& info, std::string& error) {
    MemoryImage source(image);
    return ReadSignatureInfo(source, info, error);
}

bool ReadSignatureInfo(ImageSource& image, std::optional<SignatureInfo>& info, std::string& error) {
    info.reset();
    Bytes head, entry, d;
    PeLayout layout;
    if (!ReadPeHeaders(image, head, layout, error))
        return false;
    const Directory table = layout.Dir(kSecurityDirectory);
    if (table.address == 0 || table.size == 0)
        return true;
    if (table.address > image.Size() || table.size > image.Size() - table.address ||
        table.size < 8) {
        error = "the certificate table reaches beyond the end of the file";
        return false;
    }
    if (!image.Read(table.address, 8, entry)) {
        error = "cannot read the certificate table";
        return false;
    }
    const std::uint32_t length = ReadU32(entry, 0);
    if (length < 8 || length > table.size) {
        error = "the certificate table is malformed";
        return false;
    }
    if (ReadU16(entry, 4) != 0x0200 || ReadU16(entry, 6) != 2) {
        error = "the certificate table's first entry is not an Authenticode signature";
        return false;
    }
    if (length - 8 > kMaxCertificateTableBytes) {
        error = "the signature is " + std::to_string(length - 8) + " bytes, more than " +
                std::to_string(kMaxCertificateTableBytes) + " this tool reads";
        return false;
    }
    if (!image.Read(table.address + 8, length - 8, d)) {
        error = "cannot read the certificate table";
        return false;
    }

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
