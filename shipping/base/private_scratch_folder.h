#pragma once
// A folder of this run's own under the system's temporary folder, for the compressed blocks
// until they are copied into the installer.
#include <cstdint>
#include <filesystem>
#include <string>

namespace kitbag {

// Only its user may enter it; it is removed with everything in it when the object goes,
// however the run ends.
class PrivateScratchFolder {
public:
    PrivateScratchFolder() = default;
    ~PrivateScratchFolder();
    PrivateScratchFolder(const PrivateScratchFolder&) = delete;
    PrivateScratchFolder& operator=(const PrivateScratchFolder&) = delete;

    bool Make(std::string& error);
    const std::filesystem::path& Path() const { return m_path; }
    // A name in the folder that this object has not handed out before.
    std::string NewFileName();

private:
    std::filesystem::path m_path;
    std::uint64_t m_files = 0;
};

} // namespace kitbag
