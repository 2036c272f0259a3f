// The payload manifest: whatever its text, the triples read from it, written out again as
// "id*name*size", read back the same; naming catalogue entries picks the last qualifying one.
#include "fuzz/fuzz_input.h"
#include "payload/format/manifest.h"

#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::uint32_t> ids;
    for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 8); n > 0; --n)
        ids.push_back(in.ConsumeIntegralInRange<std::uint32_t>(100, 110));
    std::wstring text = in.ConsumeBool() ? ConsumeWords(in, 4096, L"0123456789*-+ .exeEXEab\\")
                                         : ConsumeUtf16(in, 4096);

    ManifestMap manifest;
    KITBAG_FUZZ_CHECK(ParseManifest(text, manifest) == result::kSuccess);
    std::wstring written;
    for (const auto& [id, file] : manifest) {
        KITBAG_FUZZ_CHECK(id == file.m_nID);
        KITBAG_FUZZ_CHECK(!file.m_strFileName.empty() &&
                          file.m_strFileName.find(L'*') == std::wstring::npos);
        written += std::to_wstring(static_cast<std::int32_t>(id)) + L"*" + file.m_strFileName +
                   L"*" + std::to_wstring(static_cast<std::int32_t>(file.m_nSize)) + L"*";
    }
    ManifestMap reread;
    ParseManifest(written, reread);
    KITBAG_FUZZ_CHECK(reread.size() == manifest.size());
    for (const auto& [id, file] : manifest) {
        auto found = reread.find(id);
        KITBAG_FUZZ_CHECK(found != reread.end() &&
                          found->second.m_strFileName == file.m_strFileName &&
                          found->second.m_nSize == file.m_nSize);
    }

    std::vector<std::unique_ptr<CResourceFile>> entries;
    for (std::uint32_t id : ids) {
        entries.push_back(std::make_unique<CResourceFile>());
        entries.back()->m_nID = id;
    }
    std::size_t named = 0;
    CResourceFile* program = NameEntries(entries, manifest, [&](const CResourceFile&) { ++named; });
    CResourceFile* lastQualifying = nullptr;
    std::size_t expectedNamed = 0;
    for (auto& entry : entries) {
        if (manifest.count(entry->m_nID) == 0)
            continue;
        ++expectedNamed;
        std::wstring name = entry->m_strFileName;
        KITBAG_FUZZ_CHECK(name.find_first_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::wstring::npos);
        if (IsProgramName(name))
            lastQualifying = entry.get();
    }
    KITBAG_FUZZ_CHECK(named == expectedNamed && program == lastQualifying);
    return 0;
}
