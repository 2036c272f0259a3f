#include "line_escape.h"

std::wstring EscapeForLine(const std::wstring& text) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'\\':
            out += L"\\\\";
            break;
        case L'\n':
            out += L"\\n";
            break;
        case L'\r':
            out += L"\\r";
            break;
        case L'\t':
            out += L"\\t";
            break;
        default:
            if (static_cast<unsigned long>(c) < 0x20) {
                out += L"\\x";
                out += digits[(static_cast<unsigned long>(c) >> 4) & 0xF];
                out += digits[static_cast<unsigned long>(c) & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}
