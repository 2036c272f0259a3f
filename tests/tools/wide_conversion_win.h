#pragma once
// Conversions between UTF-16 and the byte encodings the helpers write.
#include <windows.h>

#include <string>

// Characters the code page cannot hold become its default character.
std::string WideToCodePage(const std::wstring& text, UINT codePage);

inline std::string WideToUtf8(const std::wstring& text) {
    return WideToCodePage(text, CP_UTF8);
}
