#pragma once
// SOURCE_DATE_EPOCH: the one time a reproducible build writes, wherever it would write the
// time of day.
#include <cstdint>
#include <optional>
#include <string>

namespace kitbag {

// The variable's seconds since 1970; nothing when it is unset or empty. False with the reason
// when it is not a whole number of seconds a PE header can carry (up to 4294967295, early in
// 2106).
bool ReadSourceDateEpoch(std::optional<std::uint32_t>& seconds, std::string& error);

} // namespace kitbag
