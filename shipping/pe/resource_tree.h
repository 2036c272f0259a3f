#pragma once
// The resource directory of a PE image as a tree of type, name and language, read from an
// image and written back as a fresh resource section.
#include "shipping/base/listed_file.h"
#include "shipping/pe/image_file.h"
#include "shipping/pe/pe_layout.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kitbag {

constexpr std::uint16_t kStringTableType = 6;

// A type or name: an integer id or a string. String names sort before ids, as the
// resource directory requires.
struct ResourceName {
    bool isString = false;
    std::uint16_t id = 0;
    std::u16string text;

    static ResourceName Id(std::uint16_t id) { return {false, id, {}}; }
    static ResourceName String(const std::string& ascii) {
        return {true, 0, std::u16string(ascii.begin(), ascii.end())};
    }
    bool operator<(const ResourceName& other) const {
        if (isString != other.isString)
            return isString;
        return isString ? text < other.text : id < other.id;
    }
};

// A file whose bytes are copied into the image when it is written, instead of being held.
struct FileContents {
    std::string path;           // opened when the image is written
    std::string name;           // as messages name it
    std::uint64_t size = 0;     // its size when it was listed; any other is an error then
    FileIdentity identity = {}; // the file listed (unknown: not compared)
};

struct ResourceData {
    ResourceData(Bytes held = {}, std::uint32_t page = 0)
        : bytes(std::move(held)), codePage(page) {}

    Bytes bytes;
    std::uint32_t codePage = 0;
    std::optional<FileContents> file; // when set, the data are its contents, not `bytes`

    std::uint64_t Size() const { return file ? file->size : bytes.size(); }
};

using LanguageMap = std::map<std::uint16_t, ResourceData>;
using NameMap = std::map<ResourceName, LanguageMap>;
using ResourceTree = std::map<ResourceName, NameMap>;

// Reads the tree that the image's resource directory describes.
bool ReadResources(const Bytes& image, const PeLayout& layout, ResourceTree& tree,
                   std::string& error);

// Where one resource's data lie in the image's file.
struct ResourceExtent {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t codePage = 0;
};
using ResourceExtents =
    std::map<ResourceName, std::map<ResourceName, std::map<std::uint16_t, ResourceExtent>>>;
// The same tree with where each resource's data lie, read without the data: a few bytes at a
// time, from a file however large.
bool ReadResourceExtents(ImageSource& image, const PeLayout& layout, ResourceExtents& tree,
                         std::string& error);

// The contents of a resource section for a tree: the directory tables, data entries and
// names (`head`), then each resource's data at its offset, an 8-byte boundary, in the order
// listed. The pointers lead into the tree that was laid out.
struct ResourceSectionLayout {
    Bytes head;
    std::vector<std::pair<std::uint64_t, const ResourceData*>> data;
    std::uint64_t size = 0; // of the whole contents, one past the last data
};
ResourceSectionLayout LayOutResourceSection(const ResourceTree& tree, std::uint32_t sectionRva);

// Lays the tree out as the contents of a resource section that will sit at sectionRva, in
// memory: every resource's data must be held in `bytes`.
Bytes BuildResourceSection(const ResourceTree& tree, std::uint32_t sectionRva);

// Sets string-table entry id to text in every language that has its block (a block in the
// neutral language is made when none has it).
bool SetTableString(ResourceTree& tree, std::uint16_t id, const std::u16string& text,
                    std::string& error);
// The text of string-table entry id in the first language that has its block.
std::u16string GetTableString(const ResourceTree& tree, std::uint16_t id);

} // namespace kitbag
