#pragma once
// Reads the few facts of a PE image that the build promises: 32-bit Intel, GUI subsystem,
// and which DLLs it imports.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PeFacts {
    std::uint16_t machine = 0;   // 0x14C: Intel 386
    std::uint16_t magic = 0;     // 0x10B: PE32
    std::uint16_t subsystem = 0; // 2: Windows GUI
    std::vector<std::string> imports;
};

std::optional<PeFacts> ReadPeFacts(const std::string& image);
