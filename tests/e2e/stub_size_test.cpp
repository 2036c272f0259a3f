// The payload-free installer stays small: kitbag-pack copies all of its code and data into
// every product's installer. Facts of the built files, whichever build is under test.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <tuple>

namespace {

// No more than this in all sections but the resources. The 64-bit build carries unwind tables
// (.pdata, .xdata) for every function, as its calling convention requires, and wider pointers.
constexpr std::uint64_t kCodeAndDataLimit32 = 150 * 1000;
constexpr std::uint64_t kCodeAndDataLimit64 = 170 * 1000;
// No more than this in the whole file, its resources with their compressed pictures included.
constexpr std::uint64_t kFileLimit32 = 200 * 1000;
constexpr std::uint64_t kFileLimit64 = 230 * 1000;

std::uint32_t Read(const std::string& image, std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes && at + i < image.size(); ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + i])) << (8 * i);
    return value;
}

// Each section's name and size in memory, from the section table.
std::map<std::string, std::uint32_t> SectionSizes(const std::string& image) {
    std::map<std::string, std::uint32_t> sizes;
    const std::size_t pe = Read(image, 0x3C, 4);
    if (image.size() < 24 || pe > image.size() - 24 || image.compare(pe, 4, "PE\0\0", 4) != 0)
        return sizes;
    const std::uint32_t count = Read(image, pe + 6, 2);
    const std::size_t table = pe + 24 + Read(image, pe + 20, 2);
    for (std::uint32_t i = 0; i < count && table + 40 * (i + 1) <= image.size(); ++i) {
        const std::size_t at = table + 40 * i;
        std::string name = image.substr(at, 8);
        name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
        sizes[name] += Read(image, at + 8, 4);
    }
    return sizes;
}

} // namespace

TEST(StubSize, CodeAndDataAndTheWholeFileFitTheirLimits) {
    const std::tuple<std::string, std::uint64_t, std::uint64_t> builds[] = {
        {KITBAG_WINDOWS_BUILD_DIR, kCodeAndDataLimit32, kFileLimit32},
        {KITBAG_WINDOWS64_BUILD_DIR, kCodeAndDataLimit64, kFileLimit64}};
    for (const auto& [build, limit, fileLimit] : builds) {
        const std::string stub = build + "/KitbagInstaller-stub.exe";
        auto image = ReadFile(stub);
        ASSERT_TRUE(image.has_value()) << stub;
        const auto sizes = SectionSizes(*image);
        ASSERT_TRUE(sizes.count(".text") && sizes.count(".rsrc")) << stub;
        std::uint64_t codeAndData = 0;
        std::string listing;
        for (const auto& [name, size] : sizes) {
            listing += " " + name + "=" + std::to_string(size);
            if (name != ".rsrc")
                codeAndData += size;
        }
        EXPECT_LE(codeAndData, limit) << stub << ":" << listing;
        EXPECT_LE(image->size(), fileLimit) << stub << ":" << listing;
    }
}
