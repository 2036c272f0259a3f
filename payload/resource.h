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
    // Writes the resource to its target path: 0, result::kFail or result::kCorruptFile. A
    // compressed resource (payload/compressed_payload.h) is unpacked instead; any fault in it
    // is result::kFail.
    ResultCode Extract() const;

    std::uint32_t m_nID = 0;
    std::uint32_t m_nSize = 0;
    std::wstring m_strType;
    HMODULE m_hModule = nullptr;
    std::wstring m_strFileName;

private:
    // Inflates the compressed resource data[0, size) into file, which it closes.
    ResultCode Unpack(HANDLE file, const std::wstring& target, const unsigned char* data,
                      DWORD size) const;
};

// The catalogue, in descending id order; it owns its entries.
using ResourceList = std::list<std::unique_ptr<CResource>>;
