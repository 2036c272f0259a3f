#include "tools/kitbag/payload_compression.h"

#include "payload/compressed_payload.h"
#include "tools/kitbag/scratch_folder.h"
#include "tools/kitbag/tool_support.h"
#include "tests/tools/random_bytes.h"

#include <zlib.h>

#include <gtest/gtest.h>

namespace kitbag {
namespace {

namespace fs = std::filesystem;

class PayloadCompression : public test::ScratchFolder {
protected:
    void SetUp() override {
        test::ScratchFolder::SetUp();
        ASSERT_TRUE(scratch.Make(error)) << error;
    }

    // The file's resource as kitbag-pack stores it, and what the installer unpacks from it.
    std::string RoundTrip(const std::string& contents, Bytes& resource) {
        const std::string path = Write("product/file.bin", contents);
        FileContents file;
        EXPECT_TRUE(CompressPayloadFile(path, "file.bin", contents.size(), scratch, file, error))
            << error;
        EXPECT_EQ(fs::path(file.path).parent_path(), scratch.Path());
        EXPECT_EQ(file.name, "file.bin");
        EXPECT_TRUE(ReadWholeFile(file.path, resource, error)) << error;
        EXPECT_EQ(resource.size(), file.size);
        std::string unpacked;
        std::uint64_t written = 0;
        EXPECT_EQ(UnpackCompressed(
                      resource.data(), resource.size(), static_cast<std::uint32_t>(contents.size()),
                      [&](const unsigned char* bytes, std::size_t count) {
                          unpacked.append(reinterpret_cast<const char*>(bytes), count);
                          return true;
                      },
                      written),
                  UnpackResult::kUnpacked);
        return unpacked;
    }

    PrivateScratchFolder scratch;
    std::string error;
};

// The length of the resource made with one plain deflate stream, without any padding.
std::size_t PlainResourceLength(const std::string& contents) {
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&stream, contents.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(contents.data()));
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    const std::size_t length = stream.total_out;
    deflateEnd(&stream);
    return kCompressedHeaderSize + length;
}

TEST_F(PayloadCompression, FilesOfEveryKindUnpackToTheirBytes) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "entry " + std::to_string(i % 101) + "\n";
    const std::string mixed = text + RandomBytes(200000, 1) + text;
    for (const std::string& contents : {std::string(), std::string("a"), text, mixed}) {
        SCOPED_TRACE(contents.size());
        Bytes resource;
        EXPECT_TRUE(RoundTrip(contents, resource) == contents);
        EXPECT_NE(resource.size(), contents.size());
        CompressedHeader header;
        ASSERT_TRUE(ReadCompressedHeader(resource.data(), resource.size(), header));
        EXPECT_EQ(header.size, contents.size());
        EXPECT_EQ(header.crc, crc32(0L, reinterpret_cast<const Bytef*>(contents.data()),
                                    static_cast<uInt>(contents.size())));
    }
    Bytes resource;
    RoundTrip(text, resource);
    EXPECT_LT(resource.size(), text.size() / 10) << "repetitive text compresses well";
}

TEST_F(PayloadCompression, AResourceNeverHasTheFilesOwnSize) {
    // Short runs of one letter: some plain streams, with their header, are exactly as long
    // as the file, which an installer would take for the file's own bytes.
    std::size_t coincidences = 0;
    for (std::size_t n = 1; n <= 64; ++n) {
        SCOPED_TRACE(n);
        const std::string contents(n, 'k');
        coincidences += PlainResourceLength(contents) == n;
        Bytes resource;
        EXPECT_TRUE(RoundTrip(contents, resource) == contents);
        EXPECT_NE(resource.size(), n);
    }
    EXPECT_GT(coincidences, 0u) << "no length needed the padding: the test proves nothing";
}

TEST_F(PayloadCompression, EachFileHasAScratchFileOfItsOwn) {
    Bytes first, second;
    RoundTrip("first contents", first);
    RoundTrip("second, other contents", second);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(scratch.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2u) << "a later file replaced an earlier one's resource";
    EXPECT_NE(first, second);
}

TEST_F(PayloadCompression, AFileThatChangedOrIsMissingIsRefusedAndNoScratchFileStays) {
    const std::string path = Write("product/file.bin", "twelve bytes");
    FileContents resource;
    EXPECT_FALSE(CompressPayloadFile(path, "file.bin", 11, scratch, resource, error));
    EXPECT_EQ(error, "'file.bin' changed while it was being packed");
    EXPECT_FALSE(CompressPayloadFile(path, "file.bin", 13, scratch, resource, error));
    EXPECT_EQ(error, "'file.bin' changed while it was being packed");
    EXPECT_FALSE(
        CompressPayloadFile((root / "gone.bin").string(), "gone.bin", 1, scratch, resource, error));
    EXPECT_NE(error.find("cannot open '"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(scratch.Path()));
}

TEST(PrivateScratchFolder, IsTheUsersOnlyAndGoesWithEverythingInIt) {
    fs::path made;
    {
        PrivateScratchFolder folder;
        std::string error;
        ASSERT_TRUE(folder.Make(error)) << error;
        made = folder.Path();
        ASSERT_TRUE(fs::is_directory(made));
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
        fs::create_directories(made / "sub");
        std::ofstream(made / "sub" / "left.bin") << "x";
        PrivateScratchFolder other;
        ASSERT_TRUE(other.Make(error)) << error;
        EXPECT_NE(other.Path(), made);
    }
    EXPECT_FALSE(fs::exists(made));
}

} // namespace
} // namespace kitbag
