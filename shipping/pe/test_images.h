#pragma once
// Small crafted PE32 and PE32+ images for the unit tests: headers, a code section, a
// resource section and a base-relocation section, and optionally a certificate table.
#include "shipping/pe/pe_layout.h"
#include "shipping/pe/resource_tree.h"

#include <initializer_list>
#include <string>

namespace kitbag::test {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;

// Sections: .text (0x1000), .rsrc (0x2000, holding `resources`), .reloc (after it).
Bytes MakeImage(const ResourceTree& resources, Architecture architecture = Architecture::X86);
// Where MakeImage puts the optional header, and the section table of each architecture.
constexpr std::size_t kOptionalHeader = 0x58;
constexpr std::size_t SectionTable(Architecture architecture) {
    return kOptionalHeader + (architecture == Architecture::X64 ? 240 : 224);
}
// The same image with a certificate table of one entry holding `der`, padded to 8 bytes.
Bytes AppendCertificate(Bytes image, const Bytes& der, std::uint16_t type = 2);
// A minimal SignedData ContentInfo with one signer; unsignedAttributes is the content of
// the signer's [1] element, or nothing for no [1] at all.
Bytes MakeSignedData(const Bytes* unsignedAttributes = nullptr);

} // namespace kitbag::test

namespace kitbag::test::der {

// Building blocks of crafted signatures, for the signature reader's tests and fuzz seeds.
Bytes Cat(std::initializer_list<Bytes> parts);
Bytes Text(const std::string& text);
// A Name of (attribute OID content, string tag, text) parts, in encoding order.
struct NamePart {
    Bytes type;
    std::uint8_t tag;
    std::string text;
};
Bytes Name(std::initializer_list<NamePart> parts);
const Bytes kCommonName = {0x55, 0x04, 0x03};
const Bytes kOrganization = {0x55, 0x04, 0x0A};
// A certificate with this serial number (one byte), issuer and subject; the rest is filler.
Bytes Certificate(std::uint8_t serial, const Bytes& issuer, const Bytes& subject);
// An attribute SEQUENCE { type, SET { values } }.
Bytes Attribute(const Bytes& type, const Bytes& values);
// A SignerInfo naming the certificate of this issuer and serial; the attribute sets are the
// contents of its [0] and [1], or nothing for none.
Bytes SignerInfo(const Bytes& issuer, std::uint8_t serial, const Bytes* authenticated,
                 const Bytes* unauthenticated);
// A SignedData ContentInfo with these certificates, encapsulated content and one signer.
Bytes SignedData(const Bytes& certificates, const Bytes& encapsulated, const Bytes& signer);
// An RFC 3161 token stamped at genTime (GeneralizedTime text), by a signer of this issuer
// and serial, carrying these certificates; tsaName: a Name for the TSTInfo's tsa field.
Bytes TimeStampToken(const std::string& genTime, const Bytes& issuer, std::uint8_t serial,
                     const Bytes& certificates, const Bytes* tsaName = nullptr);
// A counter-signer whose signingTime is this UTCTime (0x17) or GeneralizedTime (0x18).
Bytes CounterSigner(std::uint8_t timeTag, const std::string& time, const Bytes& issuer,
                    std::uint8_t serial);
const Bytes kRfc3161Attribute = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x03, 0x03, 0x01};
const Bytes kCounterSignatureAttribute = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x06};

} // namespace kitbag::test::der
