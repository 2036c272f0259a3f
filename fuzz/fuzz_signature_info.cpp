// kitbag-pack --list's reading of a signature: the signer's and the time-stamp authority's
// names and the time. Whatever the file, the reading stays inside it, and what it gives can
// be printed as it is: no control characters, a time of one fixed form.
#include "fuzz/fuzz_input.h"
#include "shipping/authenticode/names_and_times.h"
#include "shipping/authenticode/signature_info.h"

#include <cstring>

namespace {

bool Printable(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kitbag::Bytes image(data, data + size);
    std::optional<kitbag::SignatureInfo> info;
    std::string error;
    if (!kitbag::ReadSignatureInfo(image, info, error)) {
        KITBAG_FUZZ_CHECK(!error.empty() && !info);
        return 0;
    }
    if (!info)
        return 0;
    KITBAG_FUZZ_CHECK(Printable(info->signer) && Printable(info->issuer));
    if (info->timeStamp) {
        const std::string& time = info->timeStamp->time;
        KITBAG_FUZZ_CHECK(time.size() == 23 && time.compare(19, 4, " UTC") == 0 && time[4] == '-' &&
                          time[10] == ' ' && time[13] == ':');
        KITBAG_FUZZ_CHECK(Printable(info->timeStamp->authority));
        KITBAG_FUZZ_CHECK(info->timeStampProblem.empty());
    }
    // Any name, read alone, is printable too.
    const std::string name = kitbag::NameText(image);
    KITBAG_FUZZ_CHECK(Printable(name));
    return 0;
}
