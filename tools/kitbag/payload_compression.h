#pragma once
// kitbag-pack --compress: each payload file becomes the installer's compressed resource
// (payload/compressed_payload.h), deflated a piece at a time through a scratch file.
#include "tools/kitbag/bytes.h"

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

private:
    std::filesystem::path m_path;
};

// The compressed resource of the file at path (name: as messages call it), which was listed
// with `size` bytes: the header and the raw deflate stream, written to a scratch file in
// scratch and read back into resource. Its length is never `size`, so that no installer takes
// it for the file's own bytes. Fails when the file cannot be read or its size has changed.
bool CompressPayloadFile(const std::string& path, const std::string& name, std::uint64_t size,
                         const PrivateScratchFolder& scratch, Bytes& resource, std::string& error);

} // namespace kitbag
