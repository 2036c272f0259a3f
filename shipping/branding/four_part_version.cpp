#include "shipping/branding/four_part_version.h"

#include <algorithm>
#include <charconv>

namespace kitbag {

bool ParseFourPartVersion(const std::string& text, FourPartVersion& version, std::string& error) {
    const std::string what = "the version '" + text + "'";
    FourPartVersion parsed{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        std::size_t end = text.find('.', at);
        if (part < 3 && end == std::string::npos) {
            error = what + " has fewer than four parts A.B.C.D";
            return false;
        }
        if (part == 3 && end != std::string::npos) {
            error = what + " has more than four parts A.B.C.D";
            return false;
        }
        end = std::min(end, text.size());
        const std::string name = "part " + std::to_string(part + 1) + " of " + what;
        if (end == at) {
            error = name + " is empty";
            return false;
        }
        if (!std::all_of(text.begin() + at, text.begin() + end,
                         [](char c) { return c >= '0' && c <= '9'; })) {
            error = name + " is not a decimal number";
            return false;
        }
        unsigned long value = 0;
        const auto result = std::from_chars(text.data() + at, text.data() + end, value);
        if (result.ec != std::errc() || value > 0xFFFF) {
            error = name + " is larger than 65535";
            return false;
        }
        parsed[part] = static_cast<std::uint16_t>(value);
        at = end + 1;
    }
    version = parsed;
    return true;
}

std::string FormatFourPartVersion(const FourPartVersion& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

} // namespace kitbag
