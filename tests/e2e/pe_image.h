#pragma once
// Reads the few facts of a PE image that the build promises: its machine and kind (32-bit
// Intel PE32 or x86-64 PE32+), GUI subsystem, which DLLs it imports, whether it is signed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PeFacts {
    std::uint16_t machine = 0;              // 0x14C: Intel 386; 0x8664: x86-64
    std::uint16_t magic = 0;                // 0x10B: PE32; 0x20B: PE32+
    std::uint16_t subsystem = 0;            // 2: Windows GUI
    std::size_t certificateEntry = 0;       // file offset of the certificate-table entry
    std::uint32_t certificateTableSize = 0; // 0: not signed
    std::vector<std::string> imports;
};

std::optional<PeFacts> ReadPeFacts(const std::string& image);
