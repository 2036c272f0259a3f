#include "embedded_info_scan.h"

#include <cstring>

std::optional<EmbeddedInfoSpan> FindEmbeddedInfo(const std::uint8_t* window, std::size_t size) {
    // The information ends just before the file's last six bytes; the window stops one byte
    // short of the end of the file, so five of them are in it.
    constexpr std::size_t kTailInWindow = 5;
    constexpr char kMarker[4] = {'M', 'R', 'D', 'C'};
    if (window == nullptr || size < kTailInWindow + sizeof kMarker)
        return std::nullopt;
    const std::size_t infoEnd = size - kTailInWindow; // one past the information's last byte
    // Index 0 is never tried, as the window's first byte only pads the read.
    for (std::size_t at = size - kTailInWindow; at > 0; --at) {
        if (std::memcmp(window + at, kMarker, sizeof kMarker) != 0)
            continue;
        const std::size_t start = at + sizeof kMarker;
        if (start >= infoEnd)
            return std::nullopt;
        return EmbeddedInfoSpan{start, infoEnd - start};
    }
    return std::nullopt;
}
