#pragma once
// printf-style formatting with the program's own, platform-independent rules:
// %s takes a wide string, %d/%ld/%i a 32-bit signed integer, %u a 32-bit unsigned one,
// %x/%X 32-bit unsigned hexadecimal, %p a 32-bit value as eight upper-case hex digits.
// Flags '-', '0', '+', ' ', '#', a width and a precision are honoured. Arguments are typed,
// so a mismatch between format and argument can never read past anything.
#include <cstdint>
#include <initializer_list>
#include <string>

class FormatArg {
public:
    enum class Kind { Number, Text };

    FormatArg(int v) : m_kind(Kind::Number), m_bits(static_cast<std::uint64_t>(v)) {}
    FormatArg(long v) : m_kind(Kind::Number), m_bits(static_cast<std::uint64_t>(v)) {}
    FormatArg(long long v) : m_kind(Kind::Number), m_bits(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned v) : m_kind(Kind::Number), m_bits(v) {}
    FormatArg(unsigned long v) : m_kind(Kind::Number), m_bits(v) {}
    FormatArg(unsigned long long v) : m_kind(Kind::Number), m_bits(v) {}
    FormatArg(const void* p)
        : m_kind(Kind::Number),
          m_bits(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p))) {}
    FormatArg(const wchar_t* s) : m_kind(Kind::Text), m_text(s) {}
    FormatArg(const std::wstring& s) : m_kind(Kind::Text), m_text(s.c_str()) {}

    Kind kind() const { return m_kind; }
    std::uint64_t bits() const { return m_bits; }
    const wchar_t* text() const { return m_text; }

private:
    Kind m_kind;
    std::uint64_t m_bits = 0;
    const wchar_t* m_text = nullptr;
};

// Formats with an explicit argument list; missing arguments format as empty/zero.
std::wstring FormatList(const wchar_t* format, std::initializer_list<FormatArg> args);

template <class... Args> std::wstring Format(const wchar_t* format, const Args&... args) {
    return FormatList(format, {FormatArg(args)...});
}
