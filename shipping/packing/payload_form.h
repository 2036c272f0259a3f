#pragma once
// Where an installer's payload goes, decided here once from the product's size: into the
// image's resources, which the loader maps into the installer's process, or into the data area
// after the image's sections (payload/format/data_extent.h), which only the file holds.
#include <cstdint>
#include <string>

namespace kitbag {

enum class PayloadForm { kResources, kDataArea };

// The most of a product that goes into the resources: the image is mapped whole into a 32-bit
// process, whose address space holds an image of this size beside everything else.
constexpr std::uint64_t kMaxResourcePayload = 1ull << 30;
// The largest installer before it is signed: Windows starts no program of 4 GiB or more, and
// the signature and a tag need up to 1 MiB after it.
constexpr std::uint64_t kMaxUnsignedInstaller = (4ull << 30) - (1ull << 20);
// The most that a product's files may hold in all, with room left for the image, the blocks'
// heads and members, and the compression of data that hardly compresses.
constexpr std::uint64_t kMaxProductBytes = kMaxUnsignedInstaller - (64ull << 20);

struct FormChoice {
    PayloadForm form = PayloadForm::kResources;
    std::string why; // as the pack's report says it
};

// The form of a product whose files hold productBytes; dataAreaAsked: --data-area was given.
// False, with the reason, when no installer can hold the product.
bool ChoosePayloadForm(std::uint64_t productBytes, bool dataAreaAsked, FormChoice& choice,
                       std::string& error);

} // namespace kitbag
