#include "resource_report_win.h"

#include "bitmap_shape.h"
#include "icon_group_sizes.h"
#include "line_escape.h"
#include "manifest_line.h"
#include "resource_bytes_win.h"
#include "wide_conversion_win.h"

#include "payload/format/crc32.h"
#include "ui/picture_bitmap.h"

#include <cstdio>
#include <vector>

namespace {

constexpr UINT kLastStringId = 300;
constexpr WORD kDialogIds[] = {100, 102, 131, 146};
constexpr WORD kBitmapIds[] = {130, 133};
constexpr WORD kIconGroupId = 5;

std::string Utf8Line(const std::wstring& text) {
    return WideToUtf8(text) + "\n";
}

// A resource name as EnumResourceNamesW reports it: an integer id or a string.
struct ResourceName {
    WORD id = 0;
    std::wstring text; // empty for an integer id
    const wchar_t* AsParameter() const {
        return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str();
    }
    std::wstring Label() const { return text.empty() ? std::to_wstring(id) : EscapeForLine(text); }
};

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    auto* names = reinterpret_cast<std::vector<ResourceName>*>(param);
    ResourceName entry;
    if (IS_INTRESOURCE(name))
        entry.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    else
        entry.text = name;
    names->push_back(entry);
    return TRUE;
}

} // namespace

std::string StringTableLines(HMODULE module) {
    std::string lines;
    for (UINT id = 0; id <= kLastStringId; ++id) {
        const wchar_t* text = nullptr;
        // With a zero buffer size LoadStringW hands back a pointer into the resource itself.
        const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length <= 0 || text == nullptr)
            continue;
        const std::wstring value(text, static_cast<std::size_t>(length));
        lines += Utf8Line(L"string[" + std::to_wstring(id) + L"]=" + EscapeForLine(value));
    }
    return lines;
}

std::string ManifestLine(HMODULE module) {
    const ResourceBytes bytes = FindResourceBytes(module, RT_MANIFEST, MAKEINTRESOURCEW(1));
    if (!bytes.found())
        return {};
    return "manifest=" + ManifestOnOneLine(reinterpret_cast<const char*>(bytes.data), bytes.size) +
           "\n";
}

std::string DialogLines(HMODULE module) {
    std::string lines;
    for (WORD id : kDialogIds) {
        if (FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG) != nullptr)
            lines += Utf8Line(L"dialog[" + std::to_wstring(id) + L"]=present");
    }
    return lines;
}

std::string BitmapLines(HMODULE module) {
    std::string lines;
    for (WORD id : kBitmapIds) {
        const std::wstring name = L"[" + std::to_wstring(id) + L"]=";
        // A compressed picture, expanded by the installer's own code.
        if (HBITMAP bitmap = LoadPictureBitmap(module, id)) {
            DIBSECTION dib{};
            if (GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib) {
                const BITMAP& shape = dib.dsBm;
                const std::size_t bytes = static_cast<std::size_t>(shape.bmWidthBytes) *
                                          static_cast<std::size_t>(shape.bmHeight);
                char crc[9];
                std::snprintf(crc, sizeof crc, "%08x",
                              static_cast<unsigned>(Crc32(0, shape.bmBits, bytes)));
                lines += Utf8Line(L"bitmap" + name + std::to_wstring(shape.bmWidth) + L"x" +
                                  std::to_wstring(shape.bmHeight) + L"x" +
                                  std::to_wstring(shape.bmBitsPixel));
                lines += WideToUtf8(L"bitmappixels" + name) + crc + "\n";
            }
            DeleteObject(bitmap);
            continue;
        }
        const ResourceBytes bytes = FindResourceBytes(module, RT_BITMAP, MAKEINTRESOURCEW(id));
        const auto shape = ReadBitmapShape(bytes.data, bytes.size);
        if (!shape)
            continue;
        lines +=
            Utf8Line(L"bitmap" + name + std::to_wstring(shape->width) + L"x" +
                     std::to_wstring(shape->height) + L"x" + std::to_wstring(shape->bitsPerPixel));
    }
    return lines;
}

std::string IconGroupLine(HMODULE module) {
    const ResourceBytes bytes =
        FindResourceBytes(module, RT_GROUP_ICON, MAKEINTRESOURCEW(kIconGroupId));
    const auto sizes = ReadIconGroupSizes(bytes.data, bytes.size);
    if (!sizes)
        return {};
    std::wstring line = L"icongroup[" + std::to_wstring(kIconGroupId) + L"]=";
    for (std::size_t i = 0; i < sizes->size(); ++i) {
        if (i > 0)
            line += L",";
        line += std::to_wstring((*sizes)[i].width) + L"x" + std::to_wstring((*sizes)[i].height);
    }
    return Utf8Line(line);
}

std::string ToolkitLines(HMODULE module) {
    std::vector<ResourceName> names;
    EnumResourceNamesW(module, L"TOOLKIT", CollectName, reinterpret_cast<LONG_PTR>(&names));
    std::string lines;
    for (const ResourceName& name : names) {
        const ResourceBytes bytes = FindResourceBytes(module, L"TOOLKIT", name.AsParameter());
        if (bytes.found())
            lines += Utf8Line(L"toolkit[" + name.Label() + L"]=" + std::to_wstring(bytes.size));
    }
    return lines;
}
