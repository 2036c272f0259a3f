#pragma once
// The installer's own file, read at the offsets its loaded image came from. The payload's bytes
// are read from it in pieces rather than through the image's pages, which, once touched, stay
// in the process's memory: so the run's memory does not grow with the payload.
#include "payload/image_sections.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class OwnImageFile {
public:
    // The module's file, opened on the first call of the process; every later call gives it.
    static const OwnImageFile& Of(HMODULE module);

    // The file offset of size bytes at data, a pointer into the loaded image; false when they
    // do not all come from the file (or it could not be opened).
    bool OffsetOf(const void* data, std::uint64_t size, std::uint64_t& offset) const;
    // Where the data area starts: the end of the last section's raw data in the file.
    std::uint64_t DataAreaStart() const;
    // Reads up to count bytes at offset; the number read, 0 at the end or on a failure.
    std::size_t Read(std::uint64_t offset, void* buffer, std::size_t count) const;

private:
    explicit OwnImageFile(HMODULE module);
    ~OwnImageFile() = default;

    HMODULE m_module = nullptr;
    std::vector<ImageSection> m_sections;
    HANDLE m_file = INVALID_HANDLE_VALUE;
};
