#pragma once
// A product file read once it has been listed: opened once, and refused unless it is still a
// regular file, the same one (however it is reached) and of the size the listing saw. A file
// swapped for a link, a device or a FIFO since, or another file of the same size, is refused by
// name; a FIFO never makes the tool wait.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kitbag {

// A file's identity on its system: its volume and its number there.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t number = 0;
    bool known = false;
    bool operator==(const FileIdentity& other) const {
        return known == other.known && volume == other.volume && number == other.number;
    }
};

// The identity of the file at path, links followed; unknown when it cannot be had.
FileIdentity IdentityOf(const std::string& path);

class ListedFile {
public:
    ListedFile() = default;
    ~ListedFile();
    ListedFile(const ListedFile&) = delete;
    ListedFile& operator=(const ListedFile&) = delete;

    // Opens path for reading. name is what messages call it; an unknown identity, or the size
    // kAnySize, is not compared.
    static constexpr std::uint64_t kAnySize = ~std::uint64_t{0};
    bool Open(const std::string& path, const std::string& name, std::uint64_t size,
              const FileIdentity& identity, std::string& error);
    // Up to count bytes from where the last read ended: how many, 0 at the end, -1 on an error.
    std::int64_t Read(void* buffer, std::size_t count);
    // The same, reading again until count bytes came or the file ended.
    std::int64_t ReadFull(void* buffer, std::size_t count);
    // Exactly count bytes from offset.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
    void Close();

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace kitbag
