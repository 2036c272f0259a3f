// kitbag-tag's reading of a signed installer: the certificate table and the DER of its
// PKCS#7 object. Whatever the file, tagging either refuses or yields an image whose block
// the installer finds and --show shows, and tagging that image again with the same block
// changes nothing.
#include "fuzz/fuzz_input.h"
#include "shipping/pe/pe_layout.h"
#include "shipping/authenticode/der_reader.h"
#include "shipping/authenticode/signature_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::string informationText = in.ConsumeBool() ? "Roza" : in.ConsumeRandomLengthString(64);
    kitbag::Bytes information(informationText.begin(), informationText.end());
    std::string rest = in.ConsumeRemainingBytesAsString();
    kitbag::Bytes image(rest.begin(), rest.end());

    // Any element anywhere stays inside its limit.
    kitbag::DerElement element;
    for (std::size_t at = 0; at < image.size() && at < 64; ++at) {
        if (kitbag::ReadDerElement(image, at, image.size(), element))
            KITBAG_FUZZ_CHECK(element.start == at && element.contentStart <= element.end &&
                              element.end <= image.size());
    }

    // --show gives nothing but what the installer reads.
    std::optional<kitbag::Bytes> shown;
    std::string error;
    if (kitbag::ShowInformation(image, shown, error) && shown)
        KITBAG_FUZZ_CHECK(kitbag::FindInformation(image) == shown);

    kitbag::Bytes out;
    error.clear();
    if (!kitbag::TagImage(image, information, out, error)) {
        KITBAG_FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::optional<kitbag::Bytes> found = kitbag::FindInformation(out);
    KITBAG_FUZZ_CHECK(found && *found == information);
    KITBAG_FUZZ_CHECK(kitbag::ShowInformation(out, shown, error) && shown == information);
    kitbag::PeLayout layout;
    KITBAG_FUZZ_CHECK(kitbag::ParsePe(out, layout, error));
    KITBAG_FUZZ_CHECK(layout.Dir(kitbag::kSecurityDirectory).address +
                          static_cast<std::uint64_t>(layout.Dir(kitbag::kSecurityDirectory).size) ==
                      out.size());
    kitbag::Bytes again;
    KITBAG_FUZZ_CHECK(kitbag::TagImage(out, information, again, error));
    KITBAG_FUZZ_CHECK(again == out);
    return 0;
}
