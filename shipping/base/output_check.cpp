#include "shipping/base/output_check.h"
#include "shipping/base/links.h"
#include "shipping/base/utf8_system.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace kitbag {

namespace {

bool SameName(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
    std::wstring x = a.wstring(), y = b.wstring();
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](wchar_t c, wchar_t d) {
        return std::towlower(static_cast<std::wint_t>(c)) ==
               std::towlower(static_cast<std::wint_t>(d));
    });
#else
    return a == b;
#endif
}

// Where a path's name appears: its folder with every link resolved, and its own name as
// given. For the output that is where it will be, since the rename that puts it in place
// replaces a link rather than writing through it.
bool Placement(const fs::path& path, fs::path& placement) {
    std::error_code failure;
    fs::path absolute = fs::absolute(path, failure);
    if (failure)
        return false;
    // The folder as the system reaches it (the Windows library resolves no link).
    fs::path folder = ResolvedIfPossible(absolute.parent_path());
    placement = (folder / absolute.filename()).lexically_normal();
    return !folder.empty();
}

bool Inside(const fs::path& placement, const fs::path& folder) {
    auto [inFolder, inPlacement] =
        std::mismatch(folder.begin(), folder.end(), placement.begin(), placement.end(), SameName);
    return inFolder == folder.end() && inPlacement != placement.end();
}

} // namespace

std::string CheckOutput(const std::string& output, const std::vector<std::string>& inputFiles,
                        const std::vector<std::string>& inputFolders) {
    std::error_code ignored;
    if (fs::is_directory(PathOf(output), ignored))
        return "the output '" + output + "' is a folder";
    for (const std::string& input : inputFiles) {
        if (fs::equivalent(PathOf(output), PathOf(input), ignored))
            return "the output '" + output + "' is the input '" + input + "'";
    }
    for (const std::string& folder : inputFolders) {
        fs::path placement, resolved = ResolvedIfPossible(PathOf(folder));
        if (resolved.empty() || !Placement(PathOf(output), placement))
            return "cannot tell whether the output '" + output + "' lies inside the folder '" +
                   folder + "'";
        if (Inside(placement, resolved))
            return "the output '" + output + "' lies inside the folder '" + folder +
                   "' that is packed";
    }
    return {};
}

} // namespace kitbag
