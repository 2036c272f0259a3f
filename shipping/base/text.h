#pragma once
// Text conversion for the two command-line tools: UTF-8 and UTF-16, and decimal numbers.
#include <cstdint>
#include <optional>
#include <string>

namespace kitbag {

// UTF-8 to UTF-16; nothing for malformed input.
std::optional<std::u16string> Utf8ToUtf16(const std::string& text);
// Appends a code point as UTF-16; a surrogate or a value past U+10FFFF becomes U+FFFD.
void AppendUtf16(std::u16string& out, char32_t code);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
// A decimal 32-bit signed number written exactly (an optional "-" and digits).
std::optional<std::int32_t> ParseInt32(const std::string& text);

} // namespace kitbag
