// The branch filter: decoding undoes encoding, and converting in pieces of any size from five
// up, each beginning with what the piece before held back, gives what one call gives.
#include "fuzz/fuzz_input.h"
#include "payload/format/branch_filter.h"

#include <vector>

namespace {

std::vector<unsigned char> Convert(std::vector<unsigned char> bytes,
                                   BranchFilter::Direction direction, FuzzedDataProvider* pieces) {
    BranchFilter filter(direction);
    for (std::size_t done = 0; bytes.size() - done >= 5;) {
        std::size_t piece = bytes.size() - done;
        if (pieces != nullptr)
            piece = std::min(piece, pieces->ConsumeIntegralInRange<std::size_t>(5, 300));
        done += filter.Convert(bytes.data() + done, piece);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 4096);
    std::vector<unsigned char> original = in.ConsumeBytes<unsigned char>(length);
    const std::vector<unsigned char> encoded =
        Convert(original, BranchFilter::Direction::kEncode, nullptr);
    KITBAG_FUZZ_CHECK(Convert(original, BranchFilter::Direction::kEncode, &in) == encoded);
    KITBAG_FUZZ_CHECK(Convert(encoded, BranchFilter::Direction::kDecode, &in) == original);
    return 0;
}
