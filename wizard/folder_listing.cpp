#include "folder_listing.h"

#include "tests/tools/ascii_case.h"

#include <algorithm>

std::vector<std::wstring> FolderListingLines(std::vector<FolderEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return LessIgnoringAsciiCase(a.name, b.name);
    });
    std::vector<std::wstring> lines;
    for (const FolderEntry& entry : entries) {
        if (entry.name == L"." || entry.name == L"..")
            continue;
        lines.push_back(L"file=" + entry.name + L"\t" +
                        (entry.isFolder ? L"<dir>" : std::to_wstring(entry.size)));
    }
    return lines;
}
