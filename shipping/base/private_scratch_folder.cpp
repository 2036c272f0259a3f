#include "shipping/base/private_scratch_folder.h"
#include "shipping/base/utf8_system.h"

#include <cerrno>
#include <cstdio>
#include <random>

#ifndef _WIN32
#include <cstdlib>
#endif

namespace fs = std::filesystem;

namespace kitbag {

PrivateScratchFolder::~PrivateScratchFolder() {
    if (m_path.empty())
        return;
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

bool PrivateScratchFolder::Make(std::string& error) {
    std::error_code failure;
    const fs::path base = fs::temp_directory_path(failure);
    if (failure) {
        error = "no temporary folder for the compressed blocks: " + failure.message();
        return false;
    }
#ifdef _WIN32
    // The user's temporary folder keeps others out; a fresh name is taken, never an existing one.
    static std::random_device source;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "kitbag-pack-%08x", static_cast<unsigned>(source()));
        if (fs::create_directory(base / name, failure)) {
            m_path = base / name;
            return true;
        }
    }
#else
    std::string pattern = (base / "kitbag-pack-XXXXXX").string();
    // mkdtemp makes the folder with mode 0700 under a name nobody had.
    if (mkdtemp(&pattern[0]) != nullptr) {
        m_path = pattern;
        return true;
    }
    failure = std::error_code(errno, std::generic_category());
#endif
    error = "cannot make a folder for the compressed blocks in '" + Utf8Of(base) +
            "': " + failure.message();
    return false;
}

std::string PrivateScratchFolder::NewFileName() {
    return Utf8Of(m_path / ("block-" + std::to_string(++m_files) + ".kbs"));
}

} // namespace kitbag
