#pragma once
// One TOOLKIT resource of the program's own module: the payload file it becomes.
#include "common/result_codes.h"

#include <windows.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>

class CResource {
public:
    // Loads the resource and converts its bytes from the thread's ANSI code page.
    ResultCode ReadText(std::wstring& text) const;
    // Lower-cases m_strFileName in place; true when ".exe" occurs after its first character.
    bool IsProgram();
    // The working folder joined with m_strFileName; false when the joined path does not fit.
    bool GetTargetPath(std::wstring& path) const;
    // Writes the resource's bytes to its target path: 0, result::kFail or result::kCorruptFile
    // (the resource's size is not the manifest's).
    ResultCode Extract() const;
    // The size of the entry's resource; false when it cannot be loaded.
    bool GetResourceSize(DWORD& size) const;

    std::uint32_t m_nID = 0;
    std::uint32_t m_nSize = 0;
    std::wstring m_strType;
    HMODULE m_hModule = nullptr;
    std::wstring m_strFileName;
};

// The catalogue, in descending id order; it owns its entries.
using ResourceList = std::list<std::unique_ptr<CResource>>;
