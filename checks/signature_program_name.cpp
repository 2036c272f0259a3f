#include "signature_program_name.h"

namespace {

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kProgramNameField = 0xA0; // [0], constructed: the explicit SpcString
constexpr std::uint8_t kAsciiChoice = 0x81;      // [1], primitive: IA5String

// One DER element at the front of [at, end): its tag, and its contents in [value, valueEnd).
struct Element {
    std::uint8_t tag = 0;
    const std::uint8_t* value = nullptr;
    std::size_t length = 0;
};

bool ReadElement(const std::uint8_t* at, const std::uint8_t* end, Element& element) {
    std::size_t left = static_cast<std::size_t>(end - at);
    if (left < 2 || (at[0] & 0x1F) == 0x1F) // multi-byte tags never occur here
        return false;
    std::size_t header = 2;
    std::size_t length = at[1];
    if (length & 0x80) {
        std::size_t count = length & 0x7F;
        // Indefinite lengths are not DER; more than four length bytes cannot fit anyway.
        if (count == 0 || count > 4 || left < header + count)
            return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | at[2 + i];
        header += count;
    }
    if (length > left - header)
        return false;
    element.tag = at[0];
    element.value = at + header;
    element.length = length;
    return true;
}

} // namespace

std::optional<std::wstring> AsciiProgramName(const std::uint8_t* der, std::size_t size) {
    if (der == nullptr)
        return std::nullopt;
    Element opus;
    if (!ReadElement(der, der + size, opus) || opus.tag != kSequence)
        return std::nullopt;
    Element field;
    if (!ReadElement(opus.value, opus.value + opus.length, field) || field.tag != kProgramNameField)
        return std::nullopt;
    Element name;
    if (!ReadElement(field.value, field.value + field.length, name) || name.tag != kAsciiChoice)
        return std::nullopt;
    std::wstring text;
    text.reserve(name.length);
    for (std::size_t i = 0; i < name.length; ++i)
        text += static_cast<wchar_t>(name.value[i]);
    return text;
}
