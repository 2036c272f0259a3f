#include "wide_conversion_win.h"

#include <climits>

std::string WideToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return {};
    const int length = static_cast<int>(text.size());
    // Asking for the size first means no code page can write past the buffer.
    const int needed =
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}
