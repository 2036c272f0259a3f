// The reading of a framework's version text from the registry: any bytes the value holds,
// read through the detector with a registry of one value, compare as the four parsed numbers
// do, and the comparison is a total order consistent with equality.
#include "checks/framework_detector.h"
#include "fuzz/fuzz_input.h"

#include <cstring>

namespace {

class OneValueRegistry final : public CFrameworkDetector {
public:
    std::string bytes;
    bool ReadRegistryValue(const std::wstring&, const std::wstring&, void* buffer,
                           std::uint32_t& size) const override {
        if (bytes.size() > size)
            return false;
        std::memcpy(buffer, bytes.data(), bytes.size());
        size = static_cast<std::uint32_t>(bytes.size());
        return true;
    }
};

std::u16string ToUtf16(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                              (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::array<std::int32_t, 4> threshold;
    for (auto& part : threshold)
        part = in.ConsumeIntegralInRange<std::int32_t>(-2, 40000);
    OneValueRegistry registry;
    registry.bytes = in.ConsumeRemainingBytesAsString();

    std::array<std::int32_t, 4> parsed = ParseVersionText(ToUtf16(registry.bytes));
    bool atLeast = registry.IsRegistryVersionAtLeast(L"key", L"Version", threshold[0], threshold[1],
                                                     threshold[2], threshold[3]);
    // A value too long for the 260-byte buffer fails the read: all parts are then 0.
    if (registry.bytes.size() > 260)
        parsed = {0, 0, 0, 0};
    KITBAG_FUZZ_CHECK(atLeast == IsVersionAtLeast(parsed, threshold));
    KITBAG_FUZZ_CHECK(IsVersionAtLeast(parsed, parsed));
    KITBAG_FUZZ_CHECK(IsVersionAtLeast(parsed, threshold) || IsVersionAtLeast(threshold, parsed));
    KITBAG_FUZZ_CHECK((IsVersionAtLeast(parsed, threshold) &&
                       IsVersionAtLeast(threshold, parsed)) == (parsed == threshold));
    return 0;
}
