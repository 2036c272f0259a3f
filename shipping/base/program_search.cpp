#include "shipping/base/program_search.h"

#include "shipping/base/utf8_system.h"

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kitbag {

namespace {

bool IsExecutableFile(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error))
        return false;
#ifdef _WIN32
    return true;
#else
    return access(file.c_str(), X_OK) == 0;
#endif
}

} // namespace

std::string FindOnPath(const std::string& name, const std::string& path, char separator,
                       const std::string& suffix) {
    if (name.empty() || name.find_first_of("/\\") != std::string::npos)
        return {};
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find(separator, at);
        if (end == std::string::npos)
            end = path.size();
        const fs::path folder = PathOf(path.substr(at, end - at));
        at = end + 1;
        if (folder.empty() || !folder.is_absolute())
            continue;
        const fs::path candidate = folder / PathOf(name + suffix);
        if (IsExecutableFile(candidate))
            return Utf8Of(candidate);
    }
    return {};
}

std::string FindOnPath(const std::string& name) {
    const std::string path = EnvironmentValue("PATH").value_or("");
#ifdef _WIN32
    const bool hasSuffix = name.size() > 4 && (name.compare(name.size() - 4, 4, ".exe") == 0 ||
                                               name.compare(name.size() - 4, 4, ".EXE") == 0);
    return FindOnPath(name, path, ';', hasSuffix ? "" : ".exe");
#else
    return FindOnPath(name, path, ':', "");
#endif
}

} // namespace kitbag
