#pragma once
// A four-part version A.B.C.D, as the version resource keeps it and kitbag-pack's
// --product-version gives it.
#include <array>
#include <cstdint>
#include <string>

namespace kitbag {

// A.B.C.D, most significant first.
using FourPartVersion = std::array<std::uint16_t, 4>;

// "A.B.C.D": four decimal numbers of 0 to 65535 and nothing else.
bool ParseFourPartVersion(const std::string& text, FourPartVersion& version, std::string& error);
std::string FormatFourPartVersion(const FourPartVersion& version);

} // namespace kitbag
