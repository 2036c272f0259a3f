#include "shipping/pe/resource_section.h"
#include "shipping/base/scratch_folder.h"
#include "shipping/pe/test_images.h"
#include "shipping/base/files.h"
#include "tests/tools/random_bytes.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

const ResourceName kToolkit = ResourceName::String("TOOLKIT");

// A stub's resources: a string table only.
ResourceTree StubTree() {
    ResourceTree tree;
    std::string error;
    SetTableString(tree, 1, u"Kitbag", error);
    return tree;
}

class StreamedImage : public test::ScratchFolder {
protected:
    // The stub's tree with a manifest and one resource for each file, held as files or read
    // into memory.
    ResourceTree Tree(const Bytes& stub, bool held) {
        PeLayout layout;
        ResourceTree tree;
        std::string error;
        EXPECT_TRUE(ParsePe(stub, layout, error) && ReadResources(stub, layout, tree, error))
            << error;
        tree[kToolkit][ResourceName::Id(101)][0].bytes = {'m', 'a', 'n'};
        std::uint16_t id = 102;
        for (const auto& [name, bytes] : files) {
            ResourceData& data = tree[kToolkit][ResourceName::Id(id++)][0];
            if (held)
                data.bytes.assign(bytes.begin(), bytes.end());
            else
                data.file = FileContents{(root / name).string(), name, bytes.size()};
        }
        return tree;
    }

    void WriteFiles() {
        for (const auto& [name, bytes] : files)
            Write(name, bytes);
    }

    // Streams the image with tree into a file beside the output, as kitbag-pack does.
    bool Pack(const Bytes& stub, const ResourceTree& tree, std::string& temporary,
              std::string& error) {
        ResourceReplacement replacement;
        if (!PrepareReplacement(stub, tree, replacement, error))
            return false;
        return WriteTemporary(
            Output(),
            [&](std::ostream& out, std::string& why) {
                return WriteReplacement(replacement, out, why);
            },
            temporary, error);
    }

    std::vector<std::string> Listing() {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            names.push_back(fs::relative(entry.path(), root).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Output() const { return (root / "Setup.exe").string(); }

    // Odd sizes, and one of several pieces, so that the checksum's words straddle them.
    std::map<std::string, std::string> files = {{"big.bin", RandomBytes((5 << 19) + 3, 1)},
                                                {"empty.dat", ""},
                                                {"lib/odd.txt", RandomBytes(5, 2)}};
};

TEST_F(StreamedImage, IsByteForByteTheInMemoryBuildOfTheSameTree) {
    WriteFiles();
    for (Architecture architecture : {Architecture::X86, Architecture::X64}) {
        const Bytes stub = test::MakeImage(StubTree(), architecture);
        const ResourceTree held = Tree(stub, true);
        std::string temporary, error;
        ASSERT_TRUE(Pack(stub, Tree(stub, false), temporary, error)) << error;
        Bytes streamed;
        ASSERT_TRUE(ReadWholeFile(temporary, streamed, error)) << error;
        RemoveQuietly(temporary);

        Bytes inMemory;
        ASSERT_TRUE(ReplaceResources(stub, held, inMemory, error)) << error;
        EXPECT_TRUE(streamed == inMemory) << ArchitectureName(architecture);

        // The test images' own layout of the same tree: the same bytes once its headers
        // count the initialised data, which it leaves at zero.
        Bytes built = test::MakeImage(held, architecture);
        PeLayout layout;
        ASSERT_TRUE(ParsePe(built, layout, error)) << error;
        WriteU32(built, layout.optionalOffset + 8,
                 layout.sections[1].rawSize + layout.sections[2].rawSize);
        UpdateChecksum(built, layout);
        ASSERT_EQ(streamed.size(), built.size()) << ArchitectureName(architecture);

        EXPECT_TRUE(streamed == built) << ArchitectureName(architecture);
        EXPECT_EQ(ReadU32(streamed, layout.ChecksumOffset()),
                  PeChecksum(streamed, layout.ChecksumOffset()));
    }
}

TEST_F(StreamedImage, AFileThatChangedSinceItWasListedIsRefusedByNameAndNothingIsLeft) {
    const Bytes stub = test::MakeImage(StubTree());
    const struct {
        const char* what;
        std::string name;
        std::size_t listed;
        std::size_t now; // SIZE_MAX: removed; SIZE_MAX - 1: a folder now
        const char* reason;
    } rows[] = {
        {"grown by a byte", "lib/odd.txt", 5, 6, "'lib/odd.txt' changed while it was being packed"},
        {"grown past a whole piece", "big.bin", 1 << 20, (1 << 20) + 1,
         "'big.bin' changed while it was being packed"},
        {"shrunk within a later piece", "big.bin", (5 << 19) + 3, 3 << 19,
         "'big.bin' changed while it was being packed"},
        {"emptied", "lib/odd.txt", 5, 0, "'lib/odd.txt' changed while it was being packed"},
        {"no longer empty", "empty.dat", 0, 1, "'empty.dat' changed while it was being packed"},
        {"removed", "lib/odd.txt", 5, SIZE_MAX, "cannot open"},
        {"a folder now", "lib/odd.txt", 5, SIZE_MAX - 1, "is a folder, not a file"},
    };
    for (const auto& row : rows) {
        files["big.bin"] = RandomBytes(row.name == "big.bin" ? row.listed : 10, 1);
        files["lib/odd.txt"] = RandomBytes(5, 2);
        files["empty.dat"] = "";
        WriteFiles();
        const ResourceTree tree = Tree(stub, false);
        fs::remove(root / row.name);
        if (row.now == SIZE_MAX - 1)
            fs::create_directories(root / row.name);
        else if (row.now != SIZE_MAX)
            Write(row.name, RandomBytes(row.now, 3));
        Write("Setup.exe", "the last build");
        const std::vector<std::string> before = Listing();

        std::string temporary, error;
        EXPECT_FALSE(Pack(stub, tree, temporary, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
        EXPECT_EQ(Listing(), before) << row.what;
        Bytes kept;
        EXPECT_TRUE(ReadWholeFile(Output(), kept, error));
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "the last build") << row.what;
        fs::remove_all(root / row.name);
    }
}

TEST(StreamedImageOutput, AStreamThatFailsIsAnErrorNotAnImage) {
    const Bytes stub = test::MakeImage(StubTree());
    ResourceTree tree;
    tree[kToolkit][ResourceName::Id(101)][0].bytes = Bytes(5000, 1);
    ResourceReplacement replacement;
    std::string error;
    ASSERT_TRUE(PrepareReplacement(stub, tree, replacement, error)) << error;
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(WriteReplacement(replacement, out, error));
    EXPECT_EQ(error, "cannot write the image");
}

} // namespace
} // namespace kitbag
