#include "payload/own_image_file.h"

#include <algorithm>
#include <string>

namespace {

std::vector<ImageSection> SectionsOf(HMODULE module) {
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    std::vector<ImageSection> sections;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        sections.push_back({section->VirtualAddress, section->Misc.VirtualSize,
                            section->PointerToRawData, section->SizeOfRawData});
    return sections;
}

std::wstring ModuleFileName(HMODULE module) {
    // Cut short without an error when the buffer is too small: grown until the name fits.
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        std::wstring name(size, L'\0');
        const DWORD length = GetModuleFileNameW(module, &name[0], size);
        if (length == 0)
            return {};
        if (length < size)
            return name.substr(0, length);
    }
    return {};
}

// Made by the first call, which the payload's unpacking makes before it starts its threads (a
// guarded static would bring the C++ runtime's locks into the stub), and kept to the end.
OwnImageFile* g_ownImageFile = nullptr;

} // namespace

const OwnImageFile& OwnImageFile::Of(HMODULE module) {
    if (g_ownImageFile == nullptr)
        g_ownImageFile = new OwnImageFile(module);
    return *g_ownImageFile;
}

OwnImageFile::OwnImageFile(HMODULE module) : m_module(module), m_sections(SectionsOf(module)) {
    const std::wstring name = ModuleFileName(module);
    if (!name.empty())
        m_file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool OwnImageFile::OffsetOf(const void* data, std::uint64_t size, std::uint64_t& offset) const {
    const auto at = reinterpret_cast<ULONG_PTR>(data);
    const auto base = reinterpret_cast<ULONG_PTR>(m_module);
    if (m_file == INVALID_HANDLE_VALUE || at < base || at - base > 0xFFFFFFFFu)
        return false;
    return FileOffsetOfRva(m_sections, static_cast<std::uint32_t>(at - base), size, offset);
}

std::uint64_t OwnImageFile::DataAreaStart() const {
    std::uint64_t end = 0;
    for (const ImageSection& section : m_sections)
        end = std::max<std::uint64_t>(end, std::uint64_t{section.rawOffset} + section.rawSize);
    return end;
}

std::size_t OwnImageFile::Read(std::uint64_t offset, void* buffer, std::size_t count) const {
    // Each read names its own offset, so the threads share the handle.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    if (m_file == INVALID_HANDLE_VALUE || !ReadFile(m_file, buffer, want, &got, &at))
        return 0;
    return got;
}
