#pragma once
// CRC-32 as zlib and PKZIP compute it (reflected polynomial 0xEDB88320): the checksum each
// compressed payload file carries.
#include <cstddef>
#include <cstdint>

// The CRC-32 of data[0, size) continued from crc, the CRC-32 of what came before (0 for none).
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);
