#pragma once
// The catalogue of the module's TOOLKIT resources: enumeration, naming by the manifest, and
// writing every named entry.
#include "payload/resource.h"

class CResourceEnum {
public:
    // Id of the manifest resource.
    static std::uint32_t GetManifestId() { return 101; }
    // Type name of the payload resources.
    static const wchar_t* GetResourceType() { return L"TOOLKIT"; }

    // EnumResourceNamesW's callback: adds each integer-named resource at the head of the
    // catalogue that g_pResourceList points to. Always true.
    static BOOL CALLBACK EnumResourceNameProc(HMODULE module, LPCWSTR type, LPWSTR name,
                                              LONG_PTR param);
    // Names the catalogue's entries by the manifest and sets programPath to the program to run
    // (unchanged when none qualifies): 0, or result::kFail when the manifest cannot be read.
    static ResultCode WorkOutFileNames(ResourceList& resources, std::wstring& programPath);
    // Writes every named entry in catalogue order, stopping at the first failure.
    static ResultCode ExtractAll(ResourceList& resources);
};

// The catalogue being filled; set only while the enumeration runs.
extern ResourceList* g_pResourceList;
