#pragma once
// Small crafted PE32 and PE32+ images for the unit tests: headers, a code section, a
// resource section and a base-relocation section, and optionally a certificate table.
#include "tools/kitbag/pe_layout.h"
#include "tools/kitbag/resource_tree.h"

namespace kitbag::test {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;

// Sections: .text (0x1000), .rsrc (0x2000, holding `resources`), .reloc (after it).
Bytes MakeImage(const ResourceTree& resources, Architecture architecture = Architecture::X86);
// Where MakeImage puts the optional header, and the section table of each architecture.
constexpr std::size_t kOptionalHeader = 0x58;
constexpr std::size_t SectionTable(Architecture architecture) {
    return kOptionalHeader + (architecture == Architecture::X64 ? 240 : 224);
}
// The same image with a certificate table of one entry holding `der`, padded to 8 bytes.
Bytes AppendCertificate(Bytes image, const Bytes& der, std::uint16_t type = 2);
// A minimal SignedData ContentInfo with one signer; unsignedAttributes is the content of
// the signer's [1] element, or nothing for no [1] at all.
Bytes MakeSignedData(const Bytes* unsignedAttributes = nullptr);

} // namespace kitbag::test
