// kitbag-pack's plan of a product folder, read back by the installer's own manifest
// grammar: every planned file comes back under its id with its name and size, and the
// installer would start the program the plan chose.
#include "fuzz/fuzz_input.h"
#include "payload/format/manifest.h"
#include "shipping/packing/payload_plan.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<kitbag::PayloadFile> files(in.ConsumeIntegralInRange<std::size_t>(0, 8));
    for (auto& file : files) {
        file.path = in.ConsumeBool() ? "setup.exe" : in.ConsumeRandomLengthString(40);
        file.size = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint64_t>(0, 1000)
                                     : in.ConsumeIntegral<std::uint64_t>();
    }
    std::string program =
        files.empty() || in.ConsumeBool() ? in.ConsumeRandomLengthString(40) : files[0].path;

    kitbag::PayloadPlan plan;
    std::string error;
    if (!kitbag::PlanPayload(files, program, plan, error)) {
        KITBAG_FUZZ_CHECK(!error.empty());
        return 0;
    }
    KITBAG_FUZZ_CHECK(plan.files.size() == files.size());

    ManifestMap manifest;
    ParseManifest(std::wstring(plan.manifest.begin(), plan.manifest.end()), manifest);
    KITBAG_FUZZ_CHECK(manifest.size() == plan.files.size());
    std::vector<std::unique_ptr<CResourceFile>> catalogue;
    for (const kitbag::PlannedFile& file : plan.files) {
        auto found = manifest.find(file.id);
        KITBAG_FUZZ_CHECK(found != manifest.end());
        KITBAG_FUZZ_CHECK(found->second.m_strFileName ==
                          std::wstring(file.name.begin(), file.name.end()));
        KITBAG_FUZZ_CHECK(found->second.m_nSize == file.size);
        // The installer's catalogue lists its resources in descending id order.
        catalogue.insert(catalogue.begin(), std::make_unique<CResourceFile>());
        catalogue.front()->m_nID = file.id;
    }
    // The installer runs the qualifying entry with the lowest id: the plan's program.
    CResourceFile* started = NameEntries(catalogue, manifest, [](const CResourceFile&) {});
    KITBAG_FUZZ_CHECK(started != nullptr);
    std::string startedName(started->m_strFileName.begin(), started->m_strFileName.end());
    KITBAG_FUZZ_CHECK(startedName == kitbag::LowerAscii(plan.files.front().name));
    return 0;
}
