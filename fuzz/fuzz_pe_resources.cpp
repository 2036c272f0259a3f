// kitbag-pack's reading of the payload-free installer: headers, sections and the resource
// tree of any file. What it reads, written back into the image, reads back the same.
#include "fuzz/fuzz_input.h"
#include "shipping/pe/resource_section.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kitbag::Bytes image(data, data + size);
    kitbag::PeLayout layout;
    kitbag::ResourceTree tree;
    std::string error;
    if (!kitbag::ParsePe(image, layout, error))
        return 0;
    KITBAG_FUZZ_CHECK(layout.sectionTableOffset + 40 * layout.sections.size() <= image.size());
    kitbag::PeChecksum(image, layout.ChecksumOffset());
    if (!kitbag::ReadResources(image, layout, tree, error))
        return 0;

    kitbag::ResourceTree changed = tree;
    std::u16string text = u"Fuzzed program";
    if (!kitbag::SetTableString(changed, 201, text, error))
        return 0;
    KITBAG_FUZZ_CHECK(kitbag::GetTableString(changed, 201) == text);

    kitbag::Bytes out;
    if (!kitbag::ReplaceResources(image, changed, out, error))
        return 0;
    kitbag::PeLayout outLayout;
    kitbag::ResourceTree reread;
    if (!kitbag::ParsePe(out, outLayout, error) ||
        !kitbag::ReadResources(out, outLayout, reread, error)) {
        std::fprintf(stderr, "the rebuilt image does not read back: %s\n", error.c_str());
        std::abort();
    }
    KITBAG_FUZZ_CHECK(reread.size() == changed.size());
    for (const auto& [type, names] : changed) {
        auto found = reread.find(type);
        KITBAG_FUZZ_CHECK(found != reread.end() && found->second.size() == names.size());
        for (const auto& [name, languages] : names) {
            auto languagesRead = found->second.find(name);
            KITBAG_FUZZ_CHECK(languagesRead != found->second.end() &&
                              languagesRead->second.size() == languages.size());
            for (const auto& [language, resource] : languages) {
                auto dataRead = languagesRead->second.find(language);
                KITBAG_FUZZ_CHECK(dataRead != languagesRead->second.end() &&
                                  dataRead->second.bytes == resource.bytes &&
                                  dataRead->second.codePage == resource.codePage);
            }
        }
    }
    KITBAG_FUZZ_CHECK(kitbag::PeChecksum(out, outLayout.ChecksumOffset()) ==
                      kitbag::ReadU32(out, outLayout.ChecksumOffset()));
    return 0;
}
