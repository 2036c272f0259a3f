#include "ascii_case.h"

#include <algorithm>

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

bool EqualIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

bool LessIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    bool folded = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](wchar_t x, wchar_t y) { return FoldAscii(x) < FoldAscii(y); });
    if (folded)
        return true;
    bool foldedReverse = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [](wchar_t x, wchar_t y) { return FoldAscii(x) < FoldAscii(y); });
    return !foldedReverse && a < b;
}
