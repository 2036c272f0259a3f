// The log's formatter. Two readings of the input: any format with any arguments must format
// without reading past anything and within the width limit; a format built from the
// conversions the C library shares with it (%d %i %u %x %X %s with flags, width, precision)
// must give what the C library gives.
#include "framework/format.h"
#include "fuzz/fuzz_input.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr std::size_t kMaxPiece = 64;

// What one field may add at most: a 4096-wide field or a whole text argument.
std::size_t Bound(const std::wstring& format, const std::vector<std::wstring>& texts) {
    std::size_t textTotal = 0;
    for (const auto& t : texts)
        textTotal += t.size();
    return format.size() * (4096 + 16) + textTotal + 16;
}

void AnyFormat(FuzzedDataProvider& in) {
    std::wstring format = in.ConsumeBool() ? ConsumeWords(in, 256, L"%%-0+ #123456789.lhdiuxXps!")
                                           : ConsumeUtf16(in, 256);
    std::vector<std::wstring> texts;
    std::vector<std::int64_t> numbers;
    for (int i = 0; i < 6; ++i) {
        texts.push_back(ConsumeUtf16(in, 16));
        numbers.push_back(in.ConsumeIntegral<std::int64_t>());
    }
    bool textFirst = in.ConsumeBool();
    std::wstring out = textFirst
                           ? Format(format.c_str(), texts[0], numbers[0], texts[1], numbers[1],
                                    texts[2], numbers[2])
                           : Format(format.c_str(), numbers[3], texts[3], numbers[4], texts[4],
                                    numbers[5], texts[5], static_cast<const wchar_t*>(nullptr));
    KITBAG_FUZZ_CHECK(out.size() <= Bound(format, texts));
    KITBAG_FUZZ_CHECK(FormatList(nullptr, {}).empty());
}

void SameAsLibrary(FuzzedDataProvider& in) {
    std::wstring format;
    std::wstring expected;
    std::wstring text = ConsumeUtf16(in, 24);
    std::int32_t number = in.ConsumeIntegral<std::int32_t>();
    // Each piece is formatted alone by the library, then the whole by ours.
    std::vector<int> kinds;
    for (std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, 6); n > 0; --n) {
        std::wstring piece = ConsumeWords(in, 6, L"abc {}");
        for (wchar_t& c : piece)
            if (c == L'%')
                c = L'#';
        wchar_t conv = L"diuxXs"[in.ConsumeIntegralInRange<int>(0, 5)];
        // Only the flags whose meaning the C standard fixes for the conversion.
        std::wstring flags = conv == L'd' || conv == L'i' ? L"-0+ "
                             : conv == L'u'               ? L"-0"
                             : conv == L's'               ? L"-"
                                                          : L"-0#";
        std::wstring field = L"%";
        for (wchar_t flag : flags)
            if (in.ConsumeBool())
                field += flag;
        if (in.ConsumeBool())
            field += std::to_wstring(in.ConsumeIntegralInRange<int>(0, 300));
        if (in.ConsumeBool())
            field += L"." + std::to_wstring(in.ConsumeIntegralInRange<int>(0, 300));
        std::vector<wchar_t> buffer(kMaxPiece * 8 + 700);
        int written;
        if (conv == L's') {
            std::wstring libField = field + L"ls";
            written = std::swprintf(buffer.data(), buffer.size(), libField.c_str(), text.c_str());
        } else {
            std::wstring libField = field + conv;
            written = std::swprintf(buffer.data(), buffer.size(), libField.c_str(), number);
        }
        if (written < 0)
            return;
        format += piece + field + conv;
        expected += piece + std::wstring(buffer.data(), static_cast<std::size_t>(written));
        kinds.push_back(conv == L's');
    }
    // Our formatter takes its arguments in order: give each field its own copy.
    std::vector<FormatArg> args;
    for (int isText : kinds)
        args.push_back(isText ? FormatArg(text) : FormatArg(number));
    std::wstring out;
    switch (args.size()) {
    case 1:
        out = FormatList(format.c_str(), {args[0]});
        break;
    case 2:
        out = FormatList(format.c_str(), {args[0], args[1]});
        break;
    case 3:
        out = FormatList(format.c_str(), {args[0], args[1], args[2]});
        break;
    case 4:
        out = FormatList(format.c_str(), {args[0], args[1], args[2], args[3]});
        break;
    case 5:
        out = FormatList(format.c_str(), {args[0], args[1], args[2], args[3], args[4]});
        break;
    default:
        out = FormatList(format.c_str(), {args[0], args[1], args[2], args[3], args[4], args[5]});
        break;
    }
    if (out != expected) {
        std::fprintf(stderr, "format '%ls'\nours    '%ls'\nlibrary '%ls'\n", format.c_str(),
                     out.c_str(), expected.c_str());
        KITBAG_FUZZ_CHECK(out == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        AnyFormat(in);
    else
        SameAsLibrary(in);
    return 0;
}
