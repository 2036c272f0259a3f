#include "shipping/base/files.h"

#include "shipping/base/utf8_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace kitbag {

bool CheckInputFile(const std::string& path, std::string& error) {
    std::error_code failure;
    if (std::filesystem::is_directory(PathOf(path), failure)) {
        error = "'" + path + "' is a folder, not a file";
        return false;
    }
    return true;
}

bool CheckRegularFile(const std::string& path, std::string& error) {
    if (!CheckInputFile(path, error))
        return false;
    std::error_code failure;
    const auto status = std::filesystem::status(PathOf(path), failure);
    if (!failure && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = "'" + path + "' is not a regular file (a device, a pipe or a socket)";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, Bytes& data, std::string& error,
                   std::uint64_t maxBytes) {
    if (!CheckRegularFile(path, error))
        return false;
    std::error_code failure;
    const std::uintmax_t size = std::filesystem::file_size(PathOf(path), failure);
    if (!failure && size > maxBytes) {
        error = "'" + path + "' is " + std::to_string(size) + " bytes, more than the " +
                std::to_string(maxBytes) + " such a file may have";
        return false;
    }
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    // In pieces, so that a file that grows meanwhile is held to the limit too.
    data.clear();
    if (!failure)
        data.reserve(static_cast<std::size_t>(size));
    std::vector<char> piece(1 << 20);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        if (data.size() + static_cast<std::uint64_t>(in.gcount()) > maxBytes) {
            error = "'" + path + "' grew past the " + std::to_string(maxBytes) +
                    " bytes such a file may have while it was read";
            return false;
        }
        data.insert(data.end(), piece.data(), piece.data() + in.gcount());
    }
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

std::string UnusedNameBeside(const std::string& path) {
    static std::random_device source;
    for (;;) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".kitbag-%08x.partial",
                      static_cast<unsigned>(source()));
        // Taken unless something is known to be there; a failure to look shows when writing.
        std::error_code failure;
        std::string name = path + suffix;
        if (!std::filesystem::exists(std::filesystem::symlink_status(PathOf(name), failure)))
            return name;
    }
}

bool WriteTemporary(const std::string& path, const Bytes& data, std::string& temporary,
                    std::string& error) {
    return WriteTemporary(
        path,
        [&data](std::ostream& out, std::string&) {
            out.write(reinterpret_cast<const char*>(data.data()),
                      static_cast<std::streamsize>(data.size()));
            return true;
        },
        temporary, error);
}

bool WriteTemporary(const std::string& path, const StreamWriter& write, std::string& temporary,
                    std::string& error) {
    temporary = UnusedNameBeside(path);
    errno = 0;
    std::ofstream out(PathOf(temporary), std::ios::binary | std::ios::trunc);
    bool written = false;
    try {
        written = out && write(out, error);
    } catch (...) {
        out.close();
        RemoveQuietly(temporary);
        throw;
    }
    out.close();
    if (!written || !out) {
        // The system's reason, a full disk for one, when the stream failed.
        if (written || !out)
            error = "cannot write '" + temporary + "'" +
                    (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

bool Commit(const std::string& temporary, const std::string& path, std::string& error) {
    std::error_code failure;
    std::filesystem::rename(PathOf(temporary), PathOf(path), failure);
    if (failure) {
        error = "cannot write '" + path + "': " + failure.message();
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(PathOf(path), ignored);
}

} // namespace kitbag
