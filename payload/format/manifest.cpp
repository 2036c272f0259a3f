#include "manifest.h"

#include "framework/decimal.h"

namespace {

// Skips a run of "*", takes the text up to the next "*" (or the end) and moves past that "*".
// At the end of the text the field is empty.
std::wstring NextField(const std::wstring& text, std::size_t& at) {
    while (at < text.size() && text[at] == L'*')
        ++at;
    std::size_t end = text.find(L'*', at);
    if (end == std::wstring::npos)
        end = text.size();
    std::wstring field = text.substr(at, end - at);
    at = end < text.size() ? end + 1 : end;
    return field;
}

std::uint32_t ReadNumber(const std::wstring& field) {
    return static_cast<std::uint32_t>(ReadDecimal32(field));
}

} // namespace

ResultCode ParseManifest(const std::wstring& text, ManifestMap& manifest) {
    std::size_t at = 0;
    for (std::wstring idField = NextField(text, at); !idField.empty();
         idField = NextField(text, at)) {
        std::wstring name = NextField(text, at);
        if (name.empty())
            break;
        CResourceFile file;
        file.m_nID = ReadNumber(idField);
        file.m_strFileName = name;
        file.m_nSize = ReadNumber(NextField(text, at));
        manifest[file.m_nID] = file;
    }
    return result::kSuccess;
}

bool IsProgramName(std::wstring& fileName) {
    for (wchar_t& c : fileName) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    std::size_t at = fileName.find(L".exe");
    return at != std::wstring::npos && at >= 1;
}
