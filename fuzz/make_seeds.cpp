// Writes the binary seeds of the PE and signature targets from the unit tests' crafted
// images: make_seeds <corpus folder>.
#include "shipping/authenticode/der_reader.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/pe/test_images.h"

#include <fstream>
#include <string>

namespace {

void Write(const std::string& path, const kitbag::Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string corpus = argv[1];
    kitbag::ResourceTree tree;
    std::string error;
    kitbag::SetTableString(tree, 201, u"Roza", error);
    tree[kitbag::ResourceName::String("TOOLKIT")][kitbag::ResourceName::Id(101)][1033].bytes = {
        '1', '0', '2', '*', 'a', '.', 'e', 'x', 'e', '*', '1'};
    kitbag::Bytes image = kitbag::test::MakeImage(tree);
    Write(corpus + "/pe_resources/image", image);
    Write(corpus + "/pe_resources/image64",
          kitbag::test::MakeImage(tree, kitbag::Architecture::X64));

    // The installer's window reaches 4117 bytes back: the signed image has to be larger.
    tree[kitbag::ResourceName::Id(10)][kitbag::ResourceName::Id(1)][0].bytes =
        kitbag::Bytes(4200, 0xEE);
    kitbag::Bytes signedImage = kitbag::test::AppendCertificate(kitbag::test::MakeImage(tree),
                                                                kitbag::test::MakeSignedData());
    kitbag::Bytes seed = signedImage;
    seed.push_back(1); // the information is "Roza"
    Write(corpus + "/signature_tag/signed", seed);

    kitbag::Bytes tagged;
    if (kitbag::TagImage(signedImage, {'<', 'i', '/', '>'}, tagged, error)) {
        Write(corpus + "/embedded_info_scan/tagged",
              kitbag::Bytes(tagged.end() - static_cast<std::ptrdiff_t>(kitbag::kReaderWindow + 1),
                            tagged.end()));
        tagged.push_back(1);
        Write(corpus + "/signature_tag/tagged", tagged);
    }

    // Signatures for the signature reader: a signer, then an RFC 3161 token and a
    // counter-signature, each with its authority's certificate; the stamped one tagged too.
    namespace der = kitbag::test::der;
    const kitbag::Bytes issuer =
        der::Name({{der::kOrganization, 0x13, "Acme Ltd"}, {der::kCommonName, 0x0C, "Acme Root"}});
    const kitbag::Bytes authority = der::Name({{der::kCommonName, 0x1E, std::string("\0T\0S", 4)}});
    const kitbag::Bytes certificates =
        der::Cat({der::Certificate(7, issuer, der::Name({{der::kCommonName, 0x13, "Signer"}})),
                  der::Certificate(3, authority, authority)});
    const kitbag::Bytes encapsulated = kitbag::DerEncode(0x30, kitbag::DerEncode(0x06, {0x2B}));
    const kitbag::Bytes token =
        der::Attribute(der::kRfc3161Attribute,
                       der::TimeStampToken("20261208091244.5Z", authority, 3,
                                           der::Certificate(3, authority, authority), &authority));
    const kitbag::Bytes counter = der::Attribute(
        der::kCounterSignatureAttribute, der::CounterSigner(0x17, "261208091244Z", authority, 3));
    const kitbag::Bytes small = kitbag::test::MakeImage({});
    auto signedWith = [&](const kitbag::Bytes* unauthenticated) {
        return kitbag::test::AppendCertificate(
            small, der::SignedData(certificates, encapsulated,
                                   der::SignerInfo(issuer, 7, nullptr, unauthenticated)));
    };
    Write(corpus + "/signature_info/signed", signedWith(nullptr));
    Write(corpus + "/signature_info/rfc3161", signedWith(&token));
    Write(corpus + "/signature_info/counter-signature", signedWith(&counter));
    tree[kitbag::ResourceName::Id(10)][kitbag::ResourceName::Id(1)][0].bytes =
        kitbag::Bytes(4200, 0xEE);
    kitbag::Bytes stamped = kitbag::test::AppendCertificate(
        kitbag::test::MakeImage(tree),
        der::SignedData(certificates, encapsulated, der::SignerInfo(issuer, 7, nullptr, &token)));
    if (kitbag::TagImage(stamped, {'<', 'i', '/', '>'}, tagged, error))
        Write(corpus + "/signature_info/rfc3161-tagged", tagged);
    return 0;
}
