#include "shipping/base/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace kitbag {

bool CheckInputFile(const std::string& path, std::string& error) {
    std::error_code failure;
    if (std::filesystem::is_directory(path, failure)) {
        error = "'" + path + "' is a folder, not a file";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, Bytes& data, std::string& error) {
    if (!CheckInputFile(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    // The stream reports a failed read by throwing from inside the iterator.
    try {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure& failure) {
        error = "cannot read '" + path + "': " + failure.what();
        return false;
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
        if (!std::filesystem::exists(std::filesystem::symlink_status(name, failure)))
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
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    bool written = out && write(out, error);
    out.close();
    if (!written || !out) {
        if (written || !out)
            error = "cannot write '" + temporary + "'";
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

bool Commit(const std::string& temporary, const std::string& path, std::string& error) {
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        error = "cannot write '" + path + "': " + failure.message();
        RemoveQuietly(temporary);
        return false;
    }
    return true;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace kitbag
