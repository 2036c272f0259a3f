#include "payload/extraction.h"

#include "log/log.h"
#include "payload/resource_enum.h"

ResultCode ExtractResources(HMODULE module, ResourceList& resources, std::wstring& programPath) {
    ResultCode result = result::kFail;
    g_pResourceList = &resources;
    if (EnumResourceNamesW(module, CResourceEnum::GetResourceType(),
                           &CResourceEnum::EnumResourceNameProc, 0)) {
        LogText(L"Enumerate Resources OK \n");
        result = result::kSuccess;
    }
    g_pResourceList = nullptr;
    if (result != 0)
        return result;
    result = CResourceEnum::WorkOutFileNames(resources, programPath);
    if (result != 0)
        return result;
    return CResourceEnum::ExtractAll(resources);
}
