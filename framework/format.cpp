#include "format.h"

#include <cwchar>
#include <vector>

namespace {

struct Field {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
};

// Widths and precisions beyond this are clamped: no format string may make us allocate
// an unbounded amount of memory.
constexpr std::size_t kMaxWidth = 4096;

std::size_t ReadCount(const wchar_t*& p) {
    std::size_t n = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (n < kMaxWidth)
            n = n * 10 + static_cast<std::size_t>(*p - L'0');
        ++p;
    }
    return n < kMaxWidth ? n : kMaxWidth;
}

void Pad(std::wstring& out, const std::wstring& body, const Field& field, std::size_t signLen = 0) {
    if (body.size() >= field.width) {
        out += body;
        return;
    }
    std::size_t fill = field.width - body.size();
    if (field.left) {
        out += body;
        out.append(fill, L' ');
    } else if (field.zero) {
        out.append(body, 0, signLen);
        out.append(fill, L'0');
        out.append(body, signLen, std::wstring::npos);
    } else {
        out.append(fill, L' ');
        out += body;
    }
}

std::wstring Digits(std::uint32_t v, unsigned base, bool upper) {
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring s;
    do {
        s.insert(s.begin(), set[v % base]);
        v /= base;
    } while (v != 0);
    return s;
}

void FormatInteger(std::wstring& out, const Field& field, wchar_t conv, std::uint64_t bits) {
    std::uint32_t low = static_cast<std::uint32_t>(bits);
    std::wstring sign;
    std::wstring digits;
    Field s = field;
    if (conv == L'd' || conv == L'i') {
        std::int32_t v = static_cast<std::int32_t>(low);
        std::uint32_t magnitude = v < 0 ? 0u - low : low;
        digits = Digits(magnitude, 10, false);
        if (v < 0)
            sign = L"-";
        else if (field.plus)
            sign = L"+";
        else if (field.space)
            sign = L" ";
    } else if (conv == L'u') {
        digits = Digits(low, 10, false);
    } else if (conv == L'p') {
        digits = Digits(low, 16, true);
        digits.insert(0, 8 - digits.size(), L'0');
    } else {
        bool upper = conv == L'X';
        digits = Digits(low, 16, upper);
        if (field.alternate && low != 0)
            sign = upper ? L"0X" : L"0x";
    }
    if (s.hasPrecision) {
        s.zero = false;
        if (s.precision == 0 && low == 0 && conv != L'p')
            digits.clear();
        else if (digits.size() < s.precision)
            digits.insert(0, s.precision - digits.size(), L'0');
    }
    Pad(out, sign + digits, s, sign.size());
}

void FormatString(std::wstring& out, const Field& field, const FormatArg* arg) {
    std::wstring body;
    if (arg != nullptr && arg->kind() == FormatArg::Kind::Text) {
        const wchar_t* text = arg->text() != nullptr ? arg->text() : L"(null)";
        std::size_t len = std::wcslen(text);
        if (field.hasPrecision && field.precision < len)
            len = field.precision;
        body.assign(text, len);
    }
    Field s = field;
    s.zero = false;
    Pad(out, body, s);
}

} // namespace

std::wstring FormatList(const wchar_t* format, std::initializer_list<FormatArg> args) {
    std::wstring out;
    if (format == nullptr)
        return out;
    std::vector<const FormatArg*> list;
    for (const FormatArg& a : args)
        list.push_back(&a);
    std::size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < list.size() ? list[next++] : nullptr; };

    const wchar_t* p = format;
    while (*p != L'\0') {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        const wchar_t* start = p++;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Field field;
        for (;; ++p) {
            if (*p == L'-')
                field.left = true;
            else if (*p == L'0')
                field.zero = true;
            else if (*p == L'+')
                field.plus = true;
            else if (*p == L' ')
                field.space = true;
            else if (*p == L'#')
                field.alternate = true;
            else
                break;
        }
        field.width = ReadCount(p);
        if (*p == L'.') {
            ++p;
            field.hasPrecision = true;
            field.precision = ReadCount(p);
        }
        while (*p == L'l' || *p == L'h')
            ++p;
        wchar_t conv = *p;
        switch (conv) {
        case L'd':
        case L'i':
        case L'u':
        case L'x':
        case L'X':
        case L'p': {
            const FormatArg* arg = take();
            std::uint64_t bits =
                arg != nullptr && arg->kind() == FormatArg::Kind::Number ? arg->bits() : 0;
            FormatInteger(out, field, conv, bits);
            ++p;
            break;
        }
        case L's':
            FormatString(out, field, take());
            ++p;
            break;
        default:
            // Not a conversion we know: copy it as it stands.
            if (conv == L'\0') {
                out.append(start, p);
            } else {
                out.append(start, p + 1);
                ++p;
            }
            break;
        }
    }
    return out;
}
