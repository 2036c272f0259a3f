#pragma once
// kitbag-pack --compress: each payload file becomes the installer's compressed resource
// (payload/compressed_payload.h), deflated a piece at a time into a scratch file.
#include "tools/kitbag/resource_tree.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace kitbag {

// A folder of this run's own under the system's temporary folder, which only its user may
// enter; removed with everything in it when the object goes, however the run ends.
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

// The compressed resource of the file at path (name: as messages call it), which was listed
// with `size` bytes: the header and the raw deflate stream, written to a file of its own in
// scratch, which resource names with its length. The image copies it from there when it is
// written; the folder's removal takes it away. Its length is never `size`, so that no
// installer takes it for the file's own bytes. Fails when the file cannot be read or its size
// has changed; no scratch file is left then.
bool CompressPayloadFile(const std::string& path, const std::string& name, std::uint64_t size,
                         PrivateScratchFolder& scratch, FileContents& resource, std::string& error);

} // namespace kitbag
