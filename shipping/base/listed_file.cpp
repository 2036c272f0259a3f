#include "shipping/base/listed_file.h"

#include "shipping/base/utf8_system.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kitbag {

namespace {

// As every change found while packing is told; how, when it is more than the size.
std::string Changed(const std::string& name, const std::string& now = {}) {
    return "'" + name + "' changed while it was being packed" +
           (now.empty() ? "" : ": it is now " + now);
}

} // namespace

#ifdef _WIN32
namespace {

HANDLE OpenForReading(const std::string& path) {
    return CreateFileW(LongPathForm(PathOf(path)).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileIdentity IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return {};
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

} // namespace

FileIdentity IdentityOf(const std::string& path) {
    HANDLE handle = OpenForReading(path);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    const FileIdentity identity =
        GetFileType(handle) == FILE_TYPE_DISK ? IdentityOfHandle(handle) : FileIdentity{};
    CloseHandle(handle);
    return identity;
}

bool ListedFile::Open(const std::string& path, const std::string& name, std::uint64_t size,
                      const FileIdentity& identity, std::string& error) {
    Close();
    HANDLE handle = OpenForReading(path);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot open '" + path + "': error " + std::to_string(GetLastError());
        return false;
    }
    m_handle = handle;
    LARGE_INTEGER length{};
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        error = Changed(name, "not a regular file");
    } else if (identity.known && !(IdentityOfHandle(handle) == identity)) {
        error = Changed(name, "another file");
    } else if (size != kAnySize && (!GetFileSizeEx(handle, &length) ||
                                    static_cast<std::uint64_t>(length.QuadPart) != size)) {
        error = Changed(name);
    } else {
        return true;
    }
    Close();
    return false;
}

std::int64_t ListedFile::Read(void* buffer, std::size_t count) {
    DWORD got = 0;
    const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    return ReadFile(static_cast<HANDLE>(m_handle), buffer, want, &got, nullptr) ? got : -1;
}

bool ListedFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(static_cast<HANDLE>(m_handle), at, nullptr, FILE_BEGIN))
        return false;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::size_t done = 0; done < count;) {
        const std::int64_t got = Read(bytes + done, count - done);
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void ListedFile::Close() {
    if (m_handle != nullptr)
        CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}
#else
FileIdentity IdentityOf(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), true};
}

bool ListedFile::Open(const std::string& path, const std::string& name, std::uint64_t size,
                      const FileIdentity& identity, std::string& error) {
    Close();
    // Without waiting: a FIFO put in the file's place would block a plain open.
    m_fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat info;
    if (fstat(m_fd, &info) != 0) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error = Changed(name, S_ISFIFO(info.st_mode) ? "a FIFO" : "not a regular file");
    } else if (identity.known &&
               !(FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                              static_cast<std::uint64_t>(info.st_ino), true} == identity)) {
        error = Changed(name, "another file");
    } else if (size != kAnySize && static_cast<std::uint64_t>(info.st_size) != size) {
        error = Changed(name);
    } else {
        fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        return true;
    }
    Close();
    return false;
}

std::int64_t ListedFile::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = read(m_fd, buffer, count);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool ListedFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::size_t done = 0; done < count;) {
        const ssize_t got =
            pread(m_fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

void ListedFile::Close() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}
#endif

ListedFile::~ListedFile() {
    Close();
}

std::int64_t ListedFile::ReadFull(void* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const std::int64_t n = Read(static_cast<char*>(buffer) + got, count - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

} // namespace kitbag
