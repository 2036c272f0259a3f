// The installer's scan for the information block and the tagging tool's model of it must
// agree on every file: the tool refuses to tag what the installer would read differently.
#include "fuzz/fuzz_input.h"
#include "payload/embedded_info_scan.h"
#include "shipping/authenticode/signature_tag.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Short inputs are the end of a file whose earlier bytes are zero.
    kitbag::Bytes file(size < kInfoMinimumFileSize ? kInfoMinimumFileSize - size : 0, 0);
    file.insert(file.end(), data, data + size);

    const std::uint8_t* window = file.data() + file.size() - kInfoWindowDistanceFromEnd;
    std::optional<EmbeddedInfoSpan> span = FindEmbeddedInfo(window, kInfoWindowSize);
    std::optional<kitbag::Bytes> tool = kitbag::FindInformation(file);
    KITBAG_FUZZ_CHECK(span.has_value() == tool.has_value());
    if (!span)
        return 0;
    KITBAG_FUZZ_CHECK(span->length >= 1 && span->offset >= 5 &&
                      span->offset + span->length <= kInfoWindowSize);
    KITBAG_FUZZ_CHECK(std::memcmp(window + span->offset - 4, "MRDC", 4) == 0);
    KITBAG_FUZZ_CHECK(kitbag::Bytes(window + span->offset, window + span->offset + span->length) ==
                      *tool);

    // Any window size, including ones too small for a marker.
    std::size_t cut = size % (kInfoWindowSize + 1);
    std::optional<EmbeddedInfoSpan> partial = FindEmbeddedInfo(window, cut);
    if (partial)
        KITBAG_FUZZ_CHECK(partial->offset + partial->length <= cut);
    return 0;
}
