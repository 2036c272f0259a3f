#pragma once
#include <cstdint>
#include <string>

// Reads a number the way a base-10 wcstol on a 32-bit long does: leading white space,
// an optional sign, decimal digits up to the first other character; no digits read 0;
// values beyond the 32-bit range saturate at its limits.
std::int32_t ReadDecimal32(const std::wstring& text);
