#include "ascii_code_page.h"

std::string AsciiCodePage::FromWide(const std::wstring& text) const {
    std::string out;
    FromWideExact(text, out);
    return out;
}

bool AsciiCodePage::FromWideExact(const std::wstring& text, std::string& out) const {
    bool exact = true;
    out.clear();
    for (wchar_t c : text) {
        bool ascii = static_cast<unsigned long>(c) < 0x80;
        exact = exact && ascii;
        out += ascii ? static_cast<char>(c) : '?';
    }
    return exact;
}

std::wstring AsciiCodePage::ToWide(const std::string& text) const {
    std::wstring out;
    for (char c : text)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}
