#include "shipping/base/source_date_epoch.h"

#include <cstdlib>

namespace kitbag {

bool ReadSourceDateEpoch(std::optional<std::uint32_t>& seconds, std::string& error) {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    seconds.reset();
    if (value == nullptr || *value == '\0')
        return true;
    const std::string text = value;
    if (text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(text) > 0xFFFFFFFFULL) {
        error = "SOURCE_DATE_EPOCH is '" + text +
                "', not a number of seconds since 1970 up to 4294967295";
        return false;
    }
    seconds = static_cast<std::uint32_t>(std::stoull(text));
    return true;
}

} // namespace kitbag
