#pragma once
// Reading and writing 32-bit unsigned numbers as the test helpers exchange them.
#include <cstdint>
#include <string>

// Accepts decimal digits or "0x"/"0X" followed by hexadecimal digits, nothing else: no sign,
// no white space, no value above 0xFFFFFFFF. Leaves `value` untouched when it answers false.
bool ParseUnsigned32(const std::wstring& text, std::uint32_t& value);

// "0x" followed by eight upper-case hexadecimal digits.
std::wstring Hex32(std::uint32_t value);
