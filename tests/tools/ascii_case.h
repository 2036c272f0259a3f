#pragma once
// Case-insensitive comparison that folds only the ASCII letters, the way switch names and
// setting values are matched, independent of the user's locale.
#include <string>

bool EqualIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

// Orders by the ASCII-folded text, then by the exact text, so the order is total.
bool LessIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);
