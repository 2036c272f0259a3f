#include "payload/resource_enum.h"

#include "log/log.h"
#include "payload/manifest.h"

ResourceList* g_pResourceList = nullptr;

BOOL CALLBACK CResourceEnum::EnumResourceNameProc(HMODULE module, LPCWSTR type, LPWSTR name,
                                                  LONG_PTR) {
    if (!IS_INTRESOURCE(name) || g_pResourceList == nullptr)
        return TRUE;
    auto entry = std::make_unique<CResource>();
    entry->m_nID = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name));
    entry->m_hModule = module;
    entry->m_strType = type;
    const std::uint32_t id = entry->m_nID;
    g_pResourceList->push_front(std::move(entry));
    LogFormat(L"Enumerate Resources %s %x\n", type, id);
    return TRUE;
}

ResultCode CResourceEnum::WorkOutFileNames(ResourceList& resources, std::wstring& programPath) {
    ManifestMap manifest;
    ResultCode result = result::kSuccess;
    for (const auto& entry : resources) {
        if (entry->m_nID != GetManifestId())
            continue;
        std::wstring text;
        result = entry->ReadText(text);
        if (result == 0)
            result = ParseManifest(text, manifest);
        break;
    }
    if (result == 0) {
        CResource* program = NameEntries(resources, manifest, [](const CResourceFile& file) {
            LogFormat(L"Work Out FileName %s, Bytes %ld\n", file.m_strFileName,
                      static_cast<std::int32_t>(file.m_nSize));
        });
        std::wstring path;
        if (program != nullptr && program->GetTargetPath(path))
            programPath = path;
    }
    LogFormat(L"WorkOutFileNames %x\n", static_cast<std::uint32_t>(result));
    return result;
}

ResultCode CResourceEnum::ExtractAll(ResourceList& resources) {
    ResultCode result = result::kSuccess;
    for (auto entry = resources.begin(); entry != resources.end() && result == 0; ++entry) {
        if ((*entry)->m_strFileName.empty())
            continue;
        result = (*entry)->Extract();
        LogFormat(L"Extract File %s %x\n", (*entry)->m_strFileName,
                  static_cast<std::uint32_t>(result));
    }
    return result;
}
