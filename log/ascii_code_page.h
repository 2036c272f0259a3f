#pragma once
// ASCII standing in for the ANSI code page where there is none (the build host): characters
// above 0x7F become '?' and do not convert exactly.
#include "log/diagnostic_log.h"

class AsciiCodePage final : public AnsiCodePage {
public:
    std::string FromWide(const std::wstring& text) const override;
    bool FromWideExact(const std::wstring& text, std::string& out) const override;
    std::wstring ToWide(const std::string& text) const override;
};
