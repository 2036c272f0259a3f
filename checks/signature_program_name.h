#pragma once
// The program name of a signature's SPC_SP_OPUS_INFO value, read from its DER bytes.
//
// The value's SpcString may hold the name in a Unicode ([0] BMPString) or an ASCII ([1]
// IA5String) form. Some system decoders read the ASCII form as if it were UTF-16 and answer
// with nonsense text half as long, so the ASCII form is read here from the bytes themselves.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The program name when the value gives it in the ASCII form; nothing when the value has no
// program name, gives it in the Unicode form, or its bytes do not fit together.
std::optional<std::wstring> AsciiProgramName(const std::uint8_t* der, std::size_t size);
