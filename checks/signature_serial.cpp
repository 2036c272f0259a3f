#include "signature_serial.h"

std::wstring SerialNumberText(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr)
        return L"null";
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 2);
    for (std::size_t i = size; i-- > 0;) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}
