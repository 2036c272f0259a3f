#include "shipping/pe/test_images.h"

#include "shipping/authenticode/der_reader.h"

namespace kitbag::test {

namespace {

void PutSection(Bytes& image, std::size_t at, const char* name, std::uint32_t virtualSize,
                std::uint32_t rva, std::uint32_t rawSize, std::uint32_t raw,
                std::uint32_t characteristics) {
    for (int i = 0; i < 8 && name[i]; ++i)
        image[at + i] = static_cast<std::uint8_t>(name[i]);
    WriteU32(image, at + 8, virtualSize);
    WriteU32(image, at + 12, rva);
    WriteU32(image, at + 16, rawSize);
    WriteU32(image, at + 20, raw);
    WriteU32(image, at + 36, characteristics);
}

} // namespace

Bytes MakeImage(const ResourceTree& resources, Architecture architecture) {
    const bool x64 = architecture == Architecture::X64;
    Bytes rsrc = BuildResourceSection(resources, 0x2000);
    std::uint32_t rsrcRaw = static_cast<std::uint32_t>(AlignUp(rsrc.size(), kFileAlignment));
    std::uint32_t relocRva =
        static_cast<std::uint32_t>(0x2000 + AlignUp(rsrc.size(), kSectionAlignment));
    Bytes image(0x400 + rsrcRaw + 0x200, 0);
    image[0] = 'M';
    image[1] = 'Z';
    WriteU32(image, 60, 0x40);
    WriteU32(image, 0x40, 0x00004550);
    std::size_t coff = 0x44, opt = kOptionalHeader;
    const std::size_t directories = opt + (x64 ? 112 : 96);
    WriteU16(image, coff, x64 ? 0x8664 : 0x14C);
    WriteU16(image, coff + 2, 3);
    WriteU16(image, coff + 16, static_cast<std::uint16_t>(SectionTable(architecture) - opt));
    WriteU16(image, opt, x64 ? 0x20B : 0x10B);
    WriteU32(image, opt + (x64 ? 24 : 28), 0x400000); // the low half of PE32+'s image base
    WriteU32(image, opt + 32, kSectionAlignment);
    WriteU32(image, opt + 36, kFileAlignment);
    WriteU32(image, opt + 56, relocRva + 0x1000);
    WriteU32(image, opt + 60, 0x200);
    WriteU32(image, directories - 4, 16);
    WriteU32(image, directories + 8 * kResourceDirectory, 0x2000);
    WriteU32(image, directories + 8 * kResourceDirectory + 4,
             static_cast<std::uint32_t>(rsrc.size()));
    WriteU32(image, directories + 8 * kBaseRelocationDirectory, relocRva);
    WriteU32(image, directories + 8 * kBaseRelocationDirectory + 4, 12);
    std::size_t table = SectionTable(architecture);
    PutSection(image, table, ".text", 0x10, 0x1000, 0x200, 0x200, 0x60000020);
    PutSection(image, table + 40, ".rsrc", static_cast<std::uint32_t>(rsrc.size()), 0x2000, rsrcRaw,
               0x400, 0x40000040);
    PutSection(image, table + 80, ".reloc", 12, relocRva, 0x200, 0x400 + rsrcRaw, 0x42000040);
    image[0x200] = 0xC3;
    std::copy(rsrc.begin(), rsrc.end(), image.begin() + 0x400);
    // One relocation block for page 0x1000 with a single HIGHLOW (DIR64) entry at offset 4.
    std::size_t reloc = 0x400 + rsrcRaw;
    WriteU32(image, reloc, 0x1000);
    WriteU32(image, reloc + 4, 12);
    WriteU16(image, reloc + 8, x64 ? 0xA004 : 0x3004);
    PeLayout layout;
    std::string error;
    ParsePe(image, layout, error);
    UpdateChecksum(image, layout);
    return image;
}

Bytes AppendCertificate(Bytes image, const Bytes& der, std::uint16_t type) {
    std::size_t offset = image.size();
    std::size_t length = 8 + der.size();
    AppendU32(image, static_cast<std::uint32_t>(length));
    AppendU16(image, 0x0200);
    AppendU16(image, type);
    image.insert(image.end(), der.begin(), der.end());
    image.resize(offset + AlignUp(length, 8), 0);
    PeLayout layout;
    std::string error;
    ParsePe(image, layout, error);
    std::size_t dir = layout.DirectoryOffset(kSecurityDirectory);
    WriteU32(image, dir, static_cast<std::uint32_t>(offset));
    WriteU32(image, dir + 4, static_cast<std::uint32_t>(image.size() - offset));
    return image;
}

Bytes MakeSignedData(const Bytes* unsignedAttributes) {
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    Bytes integerOne = DerEncode(0x02, {0x01});
    Bytes sha256 =
        DerEncode(0x30, DerEncode(0x06, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01}));
    Bytes signer = cat({integerOne, DerEncode(0x30, DerEncode(0x02, {0x05})), sha256,
                        DerEncode(0xA0, DerEncode(0x30, DerEncode(0x06, {0x2B, 0x06}))), sha256,
                        DerEncode(0x04, Bytes(256, 0x5A))});
    if (unsignedAttributes)
        signer = cat({signer, DerEncode(0xA1, *unsignedAttributes)});
    Bytes signedData =
        cat({integerOne, DerEncode(0x31, sha256), DerEncode(0x30, DerEncode(0x06, {0x2B, 0x06})),
             DerEncode(0xA0, DerEncode(0x30, Bytes(700, 0x11))),
             DerEncode(0x31, DerEncode(0x30, signer))});
    return DerEncode(0x30,
                     cat({DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}),
                          DerEncode(0xA0, DerEncode(0x30, signedData))}));
}

} // namespace kitbag::test

namespace kitbag::test::der {

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Name(std::initializer_list<NamePart> parts) {
    Bytes rdns;
    for (const NamePart& part : parts)
        rdns = Cat(
            {rdns, DerEncode(0x31, DerEncode(0x30, Cat({DerEncode(0x06, part.type),
                                                        DerEncode(part.tag, Text(part.text))})))});
    return DerEncode(0x30, rdns);
}

namespace {

const Bytes kSha256 =
    DerEncode(0x30, DerEncode(0x06, {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01}));
const Bytes kRsa =
    DerEncode(0x30, Cat({DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}),
                         Bytes{0x05, 0x00}}));

} // namespace

Bytes Certificate(std::uint8_t serial, const Bytes& issuer, const Bytes& subject) {
    Bytes validity = DerEncode(0x30, Cat({DerEncode(0x17, Text("260101000000Z")),
                                          DerEncode(0x17, Text("370101000000Z"))}));
    Bytes key = DerEncode(0x30, Cat({kRsa, DerEncode(0x03, Bytes(65, 0x33))}));
    Bytes tbs =
        DerEncode(0x30, Cat({DerEncode(0xA0, DerEncode(0x02, {0x02})), DerEncode(0x02, {serial}),
                             kRsa, issuer, validity, subject, key}));
    return DerEncode(0x30, Cat({tbs, kRsa, DerEncode(0x03, Bytes(65, 0x44))}));
}

Bytes Attribute(const Bytes& type, const Bytes& values) {
    return DerEncode(0x30, Cat({DerEncode(0x06, type), DerEncode(0x31, values)}));
}

Bytes SignerInfo(const Bytes& issuer, std::uint8_t serial, const Bytes* authenticated,
                 const Bytes* unauthenticated) {
    return DerEncode(0x30, Cat({DerEncode(0x02, {0x01}),
                                DerEncode(0x30, Cat({issuer, DerEncode(0x02, {serial})})), kSha256,
                                authenticated ? DerEncode(0xA0, *authenticated) : Bytes(), kRsa,
                                DerEncode(0x04, Bytes(64, 0x5A)),
                                unauthenticated ? DerEncode(0xA1, *unauthenticated) : Bytes()}));
}

Bytes SignedData(const Bytes& certificates, const Bytes& encapsulated, const Bytes& signer) {
    Bytes signedData = Cat({DerEncode(0x02, {0x01}), DerEncode(0x31, kSha256), encapsulated,
                            certificates.empty() ? Bytes() : DerEncode(0xA0, certificates),
                            DerEncode(0x31, signer)});
    return DerEncode(0x30,
                     Cat({DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02}),
                          DerEncode(0xA0, DerEncode(0x30, signedData))}));
}

Bytes TimeStampToken(const std::string& genTime, const Bytes& issuer, std::uint8_t serial,
                     const Bytes& certificates, const Bytes* tsaName) {
    Bytes imprint = DerEncode(0x30, Cat({kSha256, DerEncode(0x04, Bytes(32, 0x77))}));
    Bytes tstInfo =
        DerEncode(0x30, Cat({DerEncode(0x02, {0x01}), DerEncode(0x06, {0x2A, 0x03, 0x04, 0x01}),
                             imprint, DerEncode(0x02, {0x09}), DerEncode(0x18, Text(genTime)),
                             DerEncode(0x30, DerEncode(0x02, {0x01})),
                             tsaName ? DerEncode(0xA0, DerEncode(0xA4, *tsaName)) : Bytes()}));
    Bytes encapsulated = DerEncode(
        0x30,
        Cat({DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x01, 0x04}),
             DerEncode(0xA0, DerEncode(0x04, tstInfo))}));
    return SignedData(certificates, encapsulated, SignerInfo(issuer, serial, nullptr, nullptr));
}

Bytes CounterSigner(std::uint8_t timeTag, const std::string& time, const Bytes& issuer,
                    std::uint8_t serial) {
    Bytes authenticated =
        Cat({Attribute({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x03},
                       DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01})),
             Attribute({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05},
                       DerEncode(timeTag, Text(time)))});
    return SignerInfo(issuer, serial, &authenticated, nullptr);
}

} // namespace kitbag::test::der
