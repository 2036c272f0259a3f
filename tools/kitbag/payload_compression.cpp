#include "tools/kitbag/payload_compression.h"

#include "payload/compressed_payload.h"
#include "tools/kitbag/tool_support.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#ifndef _WIN32
#include <cstdlib>
#endif

namespace fs = std::filesystem;

namespace kitbag {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Ends the deflate state however the compression ends.
class Deflater {
public:
    bool Start() {
        m_started = deflateInit2(&m_stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                                 Z_DEFAULT_STRATEGY) == Z_OK;
        return m_started;
    }
    ~Deflater() {
        if (m_started)
            deflateEnd(&m_stream);
    }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream = {};
    bool m_started = false;
};

// Deflates the `size` bytes of the file at path into out after a header left blank, then
// writes the header. padded: an empty stored block before the final one, which makes the
// stream a few bytes longer and still one stream. The resource's length, or 0 with the
// reason.
std::uint64_t DeflateFile(const std::string& path, const std::string& name, std::uint64_t size,
                          const std::string& scratchFile, bool padded, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return 0;
    }
    std::ofstream out(scratchFile, std::ios::binary | std::ios::trunc);
    Deflater deflater;
    if (!out || !deflater.Start()) {
        error = "cannot compress '" + name + "' into '" + scratchFile + "'";
        return 0;
    }
    z_stream& stream = deflater.stream();
    std::vector<char> input(kPiece);
    std::vector<unsigned char> output(kPiece);
    out.write(std::string(kCompressedHeaderSize, '\0').data(), kCompressedHeaderSize);
    std::uint64_t read = 0, written = kCompressedHeaderSize;
    uLong crc = crc32(0L, Z_NULL, 0);
    // Hands deflate what stream.next_in holds and writes all it gives back.
    auto pump = [&](int flush) {
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            if (deflate(&stream, flush) == Z_STREAM_ERROR)
                return false;
            const std::size_t produced = output.size() - stream.avail_out;
            out.write(reinterpret_cast<const char*>(output.data()),
                      static_cast<std::streamsize>(produced));
            written += produced;
        } while (stream.avail_out == 0);
        return static_cast<bool>(out);
    };
    bool ok = true;
    while (ok && read <= size) {
        in.read(input.data(), static_cast<std::streamsize>(input.size()));
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        read += got;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(got));
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(got);
        ok = pump(Z_NO_FLUSH);
    }
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return 0;
    }
    if (read != size) {
        error = "'" + name + "' changed while it was being packed";
        return 0;
    }
    if (ok && padded)
        ok = pump(Z_SYNC_FLUSH);
    if (ok)
        ok = pump(Z_FINISH);
    unsigned char header[kCompressedHeaderSize];
    WriteCompressedHeader({kCompressedMethodDeflate, static_cast<std::uint32_t>(size),
                           static_cast<std::uint32_t>(crc)},
                          header);
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.close();
    if (!ok || !out) {
        error = "cannot compress '" + name + "' into '" + scratchFile + "'";
        return 0;
    }
    return written;
}

} // namespace

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
        error = "no temporary folder for the compressed files: " + failure.message();
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
    error = "cannot make a folder for the compressed files in '" + base.string() +
            "': " + failure.message();
    return false;
}

std::string PrivateScratchFolder::NewFileName() {
    return (m_path / ("resource-" + std::to_string(++m_files) + ".kbz")).string();
}

bool CompressPayloadFile(const std::string& path, const std::string& name, std::uint64_t size,
                         PrivateScratchFolder& scratch, FileContents& resource,
                         std::string& error) {
    if (size > 0xFFFFFFFFu) {
        error = "'" + name + "' is too large to be compressed";
        return false;
    }
    const std::string scratchFile = scratch.NewFileName();
    std::uint64_t length = DeflateFile(path, name, size, scratchFile, false, error);
    // A resource of the file's own size would be taken for its stored bytes.
    if (length == size && length != 0)
        length = DeflateFile(path, name, size, scratchFile, true, error);
    if (length != 0 && length == size)
        error = "'" + name + "' cannot be stored compressed";
    if (length == 0 || length == size) {
        RemoveQuietly(scratchFile);
        return false;
    }
    resource = FileContents{scratchFile, name, length};
    return true;
}

} // namespace kitbag
