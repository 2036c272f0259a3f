#include "shipping/authenticode/signature_info.h"
#include "shipping/authenticode/der_reader.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/pe/test_images.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

using namespace test::der;

const Bytes kRoot = Name({{kOrganization, 0x13, "Acme Ltd"}, {kCommonName, 0x0C, "Acme Root"}});
const Bytes kSigner = Name({{kOrganization, 0x13, "Acme Ltd"}, {kCommonName, 0x0C, "Acme Signer"}});
const Bytes kAuthority = Name({{kCommonName, 0x13, "Acme Time Stamps"}});

// A signed image: the signer's certificate (serial 7, issued by kRoot) after another one of
// the same issuer, and the signer's unauthenticated attributes, if any.
Bytes SignedImage(const Bytes* unauthenticated, const Bytes& moreCertificates = {}) {
    ResourceTree tree;
    tree[ResourceName::Id(10)][ResourceName::Id(1)][0].bytes = Bytes(4200, 0xEE);
    Bytes certificates = Cat({Certificate(6, kRoot, Name({{kCommonName, 0x13, "Someone Else"}})),
                              Certificate(7, kRoot, kSigner), moreCertificates});
    Bytes encapsulated = DerEncode(0x30, DerEncode(0x06, {0x2B, 0x06, 0x01, 0x04, 0x01}));
    return test::AppendCertificate(
        test::MakeImage(tree),
        SignedData(certificates, encapsulated, SignerInfo(kRoot, 7, nullptr, unauthenticated)));
}

std::optional<SignatureInfo> Read(const Bytes& image) {
    std::optional<SignatureInfo> info;
    std::string error;
    EXPECT_TRUE(ReadSignatureInfo(image, info, error)) << error;
    return info;
}

TEST(SignatureInfo, TheSignerAndItsIssuerComeFromTheCertificateTheSignerNames) {
    auto info = Read(SignedImage(nullptr));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->signer, "CN=Acme Signer, O=Acme Ltd");
    EXPECT_EQ(info->issuer, "CN=Acme Root, O=Acme Ltd");
    EXPECT_FALSE(info->timeStamp);
    EXPECT_EQ(info->timeStampProblem, "");

    EXPECT_FALSE(Read(test::MakeImage({}))) << "an image without a certificate table";
}

TEST(SignatureInfo, AnRfc3161TokenGivesItsGenTimeAndItsSignersSubject) {
    const Bytes tsaCertificate = Certificate(3, kAuthority, kAuthority);
    const struct {
        const char* what;
        std::string genTime;
        Bytes tokenCertificates, outerCertificates;
        bool tsaName;
        std::string authority;
    } rows[] = {
        {"its certificate in the token",
         "20261208091244Z",
         tsaCertificate,
         {},
         false,
         "CN=Acme Time Stamps"},
        {"a fraction of a second",
         "20261208091244.125Z",
         tsaCertificate,
         {},
         false,
         "CN=Acme Time Stamps"},
        {"its certificate in the signature",
         "20261208091244Z",
         {},
         tsaCertificate,
         false,
         "CN=Acme Time Stamps"},
        {"only the token's tsa name", "20261208091244Z", {}, {}, true, "CN=Acme Time Stamps"},
        {"no name at all", "20261208091244Z", {}, {}, false, ""},
    };
    for (const auto& row : rows) {
        Bytes unauthenticated = Attribute(
            kRfc3161Attribute, TimeStampToken(row.genTime, kAuthority, 3, row.tokenCertificates,
                                              row.tsaName ? &kAuthority : nullptr));
        auto info = Read(SignedImage(&unauthenticated, row.outerCertificates));
        ASSERT_TRUE(info && info->timeStamp) << row.what << ": " << info->timeStampProblem;
        EXPECT_EQ(info->timeStamp->kind, TimeStamp::Kind::Rfc3161);
        EXPECT_EQ(info->timeStamp->time, "2026-12-08 09:12:44 UTC") << row.what;
        EXPECT_EQ(info->timeStamp->authority, row.authority) << row.what;
        EXPECT_EQ(info->signer, "CN=Acme Signer, O=Acme Ltd") << row.what;
    }
}

TEST(SignatureInfo, ACounterSignatureGivesItsSigningTime) {
    const struct {
        std::uint8_t tag;
        std::string time, text;
    } rows[] = {
        {0x17, "261208091244Z", "2026-12-08 09:12:44 UTC"},
        {0x17, "991231235959Z", "1999-12-31 23:59:59 UTC"},
        {0x17, "491231235959Z", "2049-12-31 23:59:59 UTC"},
        {0x18, "20261208091244Z", "2026-12-08 09:12:44 UTC"},
    };
    for (const auto& row : rows) {
        Bytes unauthenticated =
            Attribute(kCounterSignatureAttribute, CounterSigner(row.tag, row.time, kAuthority, 3));
        auto info = Read(SignedImage(&unauthenticated, Certificate(3, kAuthority, kAuthority)));
        ASSERT_TRUE(info && info->timeStamp) << row.time << ": " << info->timeStampProblem;
        EXPECT_EQ(info->timeStamp->kind, TimeStamp::Kind::CounterSignature);
        EXPECT_EQ(info->timeStamp->time, row.text);
        EXPECT_EQ(info->timeStamp->authority, "CN=Acme Time Stamps");
    }
}

TEST(SignatureInfo, ATaggedImageKeepsItsTimeStamp) {
    Bytes unauthenticated =
        Attribute(kRfc3161Attribute, TimeStampToken("20261208091244Z", kAuthority, 3,
                                                    Certificate(3, kAuthority, kAuthority)));
    Bytes tagged;
    std::string error;
    ASSERT_TRUE(TagImage(SignedImage(&unauthenticated), Text("<i/>"), tagged, error)) << error;
    auto info = Read(tagged);
    ASSERT_TRUE(info && info->timeStamp);
    EXPECT_EQ(info->timeStamp->time, "2026-12-08 09:12:44 UTC");
    EXPECT_EQ(info->timeStamp->authority, "CN=Acme Time Stamps");
}

TEST(SignatureInfo, AMalformedTimeStampIsReportedWithTheSignerStillRead) {
    const Bytes certificates = Certificate(3, kAuthority, kAuthority);
    const struct {
        Bytes attribute;
        const char* problem;
    } rows[] = {
        {Attribute(kRfc3161Attribute, TimeStampToken("2026120809124Z", kAuthority, 3, {})),
         "the RFC 3161 token's time is malformed"},
        {Attribute(kRfc3161Attribute, TimeStampToken("20261308091244Z", kAuthority, 3, {})),
         "the RFC 3161 token's time is malformed"},
        {Attribute(kRfc3161Attribute, TimeStampToken("20261208091244.Z", kAuthority, 3, {})),
         "the RFC 3161 token's time is malformed"},
        {Attribute(kRfc3161Attribute, TimeStampToken("20261208091244+0100", kAuthority, 3, {})),
         "the RFC 3161 token's time is malformed"},
        {Attribute(kRfc3161Attribute, DerEncode(0x30, Bytes{0x02, 0x01, 0x01})),
         "the RFC 3161 token is malformed"},
        {Attribute(kRfc3161Attribute, {}), "the time-stamp attribute holds no value"},
        {Attribute(kCounterSignatureAttribute, CounterSigner(0x17, "2612080912Z", kAuthority, 3)),
         "the counter-signature's signing time is malformed"},
        {Attribute(kCounterSignatureAttribute, SignerInfo(kAuthority, 3, nullptr, nullptr)),
         "the counter-signature carries no signing time"},
    };
    for (const auto& row : rows) {
        auto info = Read(SignedImage(&row.attribute, certificates));
        ASSERT_TRUE(info);
        EXPECT_FALSE(info->timeStamp) << row.problem;
        EXPECT_EQ(info->timeStampProblem, row.problem);
        EXPECT_EQ(info->signer, "CN=Acme Signer, O=Acme Ltd");
    }
}

TEST(SignatureInfo, ASignatureThatCannotBeReadIsRefusedWithItsReason) {
    Bytes der = SignedData(Certificate(6, kRoot, kRoot), DerEncode(0x30, {}),
                           SignerInfo(kRoot, 7, nullptr, nullptr));
    const struct {
        Bytes image;
        const char* reason;
    } rows[] = {
        {test::AppendCertificate(test::MakeImage({}), der, 1), "not an Authenticode signature"},
        {test::AppendCertificate(test::MakeImage({}), Bytes(der.begin(), der.end() - 1)),
         "not a PKCS#7 SignedData object"},
        {test::AppendCertificate(test::MakeImage({}), der),
         "does not carry its signer's certificate (issued by 'CN=Acme Root, O=Acme Ltd')"},
    };
    for (const auto& row : rows) {
        std::optional<SignatureInfo> info;
        std::string error;
        EXPECT_FALSE(ReadSignatureInfo(row.image, info, error)) << row.reason;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        EXPECT_FALSE(info);
    }
}

TEST(SignatureInfo, EveryTruncationOfTheSignatureIsReadWithinItsBounds) {
    Bytes unauthenticated =
        Attribute(kRfc3161Attribute, TimeStampToken("20261208091244Z", kAuthority, 3,
                                                    Certificate(3, kAuthority, kAuthority)));
    const Bytes image = SignedImage(&unauthenticated);
    // The certificate table's start, where the entry's header is.
    PeLayout layout;
    std::string error;
    ASSERT_TRUE(ParsePe(image, layout, error));
    const std::size_t table = layout.Dir(kSecurityDirectory).address;
    for (std::size_t cut = table + 8; cut < image.size(); cut += 7) {
        Bytes shorter(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
        std::optional<SignatureInfo> info;
        EXPECT_FALSE(ReadSignatureInfo(shorter, info, error)) << cut;
        // The same bytes with the headers made to fit them.
        Bytes fitted = test::AppendCertificate(
            Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(table)),
            Bytes(image.begin() + static_cast<std::ptrdiff_t>(table + 8),
                  image.begin() + static_cast<std::ptrdiff_t>(cut)));
        ReadSignatureInfo(fitted, info, error);
    }
}

} // namespace
} // namespace kitbag
