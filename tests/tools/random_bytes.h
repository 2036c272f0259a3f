#pragma once
// Incompressible test contents: the same bytes for the same seed on every machine.
#include <cstddef>
#include <random>
#include <string>

inline std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}
