#include "shipping/packing/block_compression.h"
#include "shipping/packing/stored_block.h"

#include "payload/format/block_unpacking.h"
#include "shipping/base/scratch_folder.h"
#include "shipping/base/files.h"
#include "tests/tools/random_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>

namespace kitbag {
namespace {

// Takes every member's bytes and outcome; can refuse a member or stop after some bytes.
class RecordingSink : public BlockSink {
public:
    bool WaitUntilWritable() override {
        ++waits;
        return true;
    }
    bool Begin(const BlockMember& member) override {
        EXPECT_EQ(waits, 1) << "nothing is written before the sink allows it";
        current = member.id;
        return member.id != refuse;
    }
    bool Write(const unsigned char* bytes, std::size_t count) override {
        EXPECT_LE(count, kUnpackPiece);
        contents[current].append(reinterpret_cast<const char*>(bytes), count);
        written += count;
        return true;
    }
    void End(const BlockMember& member, MemberResult result) override {
        EXPECT_EQ(results.count(member.id), 0u) << "a member ends once";
        results[member.id] = result;
    }
    bool Stopped() override { return written >= stopAfter; }

    int waits = 0;
    std::uint32_t current = 0, refuse = 0;
    std::uint64_t written = 0, stopAfter = UINT64_MAX;
    std::map<std::uint32_t, std::string> contents;
    std::map<std::uint32_t, MemberResult> results;
};

class BlockCompression : public test::ScratchFolder {
protected:
    // Packs the contents as members 102, 103, ... (code filtered) into `block`.
    void Pack(const std::vector<std::string>& contents,
              std::uint32_t dictionary = kMaxDictionaryBytes) {
        std::vector<BlockFile> files;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            const std::string name = "file" + std::to_string(i);
            files.push_back({Write(name, contents[i]), name, static_cast<std::uint16_t>(102 + i),
                             contents[i].size(),
                             i == 0 ? MemberFilter::kBranchX86 : MemberFilter::kNone});
        }
        std::uint64_t length = 0;
        const std::string path = (root / "block.kbs").string();
        ASSERT_TRUE(CompressBlock(files, path, length, error, dictionary)) << error;
        ASSERT_TRUE(ReadWholeFile(path, block, error)) << error;
        ASSERT_EQ(block.size(), length);
    }
    RecordingSink Unpack(const Bytes& resource) {
        BlockHeader header;
        EXPECT_TRUE(ReadBlockHeader(resource.data(), resource.size(), header));
        RecordingSink sink;
        sink.refuse = refuse;
        sink.stopAfter = stopAfter;
        UnpackBlock(resource.data(), resource.size(), header, sink);
        EXPECT_EQ(sink.results.size(), header.members.size());
        return sink;
    }

    Bytes block;
    std::string error;
    std::uint32_t refuse = 0;
    std::uint64_t stopAfter = UINT64_MAX;
};

std::string SelfImage() {
    std::ifstream self("/proc/self/exe", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
}

TEST_F(BlockCompression, MembersComeBackByteForByteAlsoThroughASmallDictionary) {
    const std::vector<std::string> contents = {SelfImage().substr(0, 150000),
                                               std::string(300000, 'a') + "end",
                                               RandomBytes(70000, 1), "x"};
    for (std::uint32_t dictionary : {kMaxDictionaryBytes, 64u << 10}) {
        Pack(contents, dictionary);
        BlockHeader header;
        ASSERT_TRUE(ReadBlockHeader(block.data(), block.size(), header));
        ASSERT_EQ(header.members.size(), contents.size());
        EXPECT_EQ(header.members[0].filter, MemberFilter::kBranchX86);
        EXPECT_EQ(header.members[3].size, 1u);
        EXPECT_LT(block.size(), 150000u + 70000u) << "code and text compress";
        RecordingSink sink = Unpack(block);
        for (std::size_t i = 0; i < contents.size(); ++i) {
            EXPECT_EQ(sink.results[102 + i], MemberResult::kUnpacked) << i;
            EXPECT_TRUE(sink.contents[102 + i] == contents[i]) << "member " << i;
        }
    }
}

TEST_F(BlockCompression, DamageEndsTheMemberItHitsAndEveryOneAfterIt) {
    const std::vector<std::string> contents = {std::string(5000, 'c'), RandomBytes(40000, 2),
                                               RandomBytes(40000, 3)};
    Pack(contents);
    BlockHeader header;
    ASSERT_TRUE(ReadBlockHeader(block.data(), block.size(), header));
    struct Case {
        const char* what;
        Bytes resource;
        MemberResult first, second, third;
    };
    Bytes late = block, truncated = block, longer = block, checksum = block;
    late[block.size() - 100] ^= 0x40;
    truncated.resize(block.size() - 10);
    longer.push_back(0);
    checksum[kBlockHeadSize + kBlockMemberSize + 8] ^= 1; // the second member's CRC
    for (const Case& c : {Case{"a byte changed late in the stream", late, MemberResult::kUnpacked,
                               MemberResult::kUnpacked, MemberResult::kDamaged},
                          Case{"cut short", truncated, MemberResult::kUnpacked,
                               MemberResult::kUnpacked, MemberResult::kDamaged},
                          Case{"a byte too many", longer, MemberResult::kUnpacked,
                               MemberResult::kUnpacked, MemberResult::kDamaged},
                          Case{"a wrong checksum", checksum, MemberResult::kUnpacked,
                               MemberResult::kWrongChecksum, MemberResult::kUnpacked}}) {
        RecordingSink sink = Unpack(c.resource);
        EXPECT_EQ(sink.results[102], c.first) << c.what;
        // A change in the stream may also pass the decoder and fail the checksum.
        if (c.second == MemberResult::kDamaged)
            EXPECT_NE(sink.results[103], MemberResult::kUnpacked) << c.what;
        else
            EXPECT_EQ(sink.results[103], c.second) << c.what;
        if (c.third == MemberResult::kDamaged)
            EXPECT_NE(sink.results[104], MemberResult::kUnpacked) << c.what;
        else
            EXPECT_EQ(sink.results[104], c.third) << c.what;
    }
}

// Gives a block a few bytes at a time, as a file read in pieces might.
class TricklingSource : public BlockSource {
public:
    explicit TricklingSource(const Bytes& data) : m_data(data) {}
    std::size_t Read(std::uint64_t offset, unsigned char* buffer, std::size_t count) override {
        if (offset >= m_data.size())
            return 0;
        count = std::min<std::size_t>({count, 1 + offset % 7, m_data.size() - offset});
        std::memcpy(buffer, m_data.data() + offset, count);
        return count;
    }

private:
    const Bytes& m_data;
};

TEST_F(BlockCompression, AStreamReadInPiecesUnpacksAsOneHeldWhole) {
    Pack({std::string(5000, 'c'), RandomBytes(40000, 2), std::string(70000, 'e')});
    BlockHeader header;
    ASSERT_TRUE(ReadBlockHeader(block.data(), block.size(), header));
    Bytes truncated = block, longer = block;
    truncated.resize(block.size() - 1);
    longer.push_back(0);
    for (const Bytes* resource : {&block, &truncated, &longer}) {
        const RecordingSink whole = Unpack(*resource);
        RecordingSink pieces;
        TricklingSource source(*resource);
        UnpackBlock(source, resource->size(), header, pieces);
        EXPECT_EQ(pieces.results, whole.results) << resource->size();
        EXPECT_EQ(pieces.contents, whole.contents) << resource->size();
    }
    EXPECT_EQ(Unpack(block).results[104], MemberResult::kUnpacked);
    EXPECT_EQ(Unpack(longer).results[104], MemberResult::kDamaged);
}

// The data area's stored block: its head read in pieces as from the installer's file, its
// members copied as they are, and the same faults found as in a compressed block.
TEST_F(BlockCompression, AStoredBlockCopiesItsMembersAndFindsTheSameFaults) {
    const std::vector<std::string> contents = {RandomBytes(600000, 6), "x",
                                               std::string(70000, 's')};
    std::vector<BlockFile> files;
    for (std::size_t i = 0; i < contents.size(); ++i)
        files.push_back({Write("s" + std::to_string(i), contents[i]), "s" + std::to_string(i),
                         static_cast<std::uint16_t>(102 + i), contents[i].size()});
    ASSERT_TRUE(StoredBlockHead(files, block, error)) << error;
    for (const std::string& member : contents)
        block.insert(block.end(), member.begin(), member.end());
    BlockHeader header;
    TricklingSource headSource(block);
    ASSERT_TRUE(ReadBlockHeader(headSource, block.size(), header));
    EXPECT_EQ(header.method, kBlockMethodStored);
    EXPECT_EQ(DictionaryBytes(header), 0u);

    Bytes changed = block, truncated = block, longer = block;
    changed[header.StreamOffset() + 600000] ^= 1; // the second member, alone
    truncated.pop_back();
    longer.push_back(0);
    struct Case {
        const Bytes* resource;
        MemberResult first, second, third;
    };
    for (const Case& c :
         {Case{&block, MemberResult::kUnpacked, MemberResult::kUnpacked, MemberResult::kUnpacked},
          Case{&changed, MemberResult::kUnpacked, MemberResult::kWrongChecksum,
               MemberResult::kUnpacked},
          Case{&truncated, MemberResult::kUnpacked, MemberResult::kUnpacked,
               MemberResult::kDamaged},
          Case{&longer, MemberResult::kUnpacked, MemberResult::kUnpacked,
               MemberResult::kDamaged}}) {
        RecordingSink sink;
        TricklingSource source(*c.resource);
        UnpackBlock(source, c.resource->size(), header, sink);
        EXPECT_EQ(sink.results[102], c.first) << c.resource->size();
        EXPECT_EQ(sink.results[103], c.second) << c.resource->size();
        EXPECT_EQ(sink.results[104], c.third) << c.resource->size();
        EXPECT_TRUE(sink.contents[102] == contents[0]);
    }

    // A stored member never goes through the filter.
    Bytes filtered = block;
    filtered[kBlockHeadSize + 12] = 1;
    EXPECT_FALSE(ReadBlockHeader(filtered.data(), filtered.size(), header));
}

TEST_F(BlockCompression, ARefusedMemberLeavesTheOthersAndAStopEndsTheRest) {
    Pack({std::string(5000, 'a'), std::string(5000, 'b'), std::string(200000, 'c')});
    refuse = 103;
    RecordingSink refused = Unpack(block);
    EXPECT_EQ(refused.results[103], MemberResult::kWriteFailed);
    EXPECT_EQ(refused.results[104], MemberResult::kUnpacked);
    EXPECT_EQ(refused.contents[104].size(), 200000u);
    refuse = 0;
    stopAfter = 5000;
    RecordingSink stopped = Unpack(block);
    EXPECT_EQ(stopped.results[102], MemberResult::kUnpacked);
    EXPECT_EQ(stopped.results[103], MemberResult::kStopped);
    EXPECT_EQ(stopped.results[104], MemberResult::kStopped);
}

TEST_F(BlockCompression, ChoosesByContentsAndRefusesAFileThatChanged) {
    EXPECT_FALSE(WorthCompressing(Write("random", RandomBytes(300000, 4)), 300000, error));
    EXPECT_TRUE(WorthCompressing(Write("text", std::string(300000, 't')), 300000, error));
    EXPECT_FALSE(WorthCompressing(Write("small", RandomBytes(5000, 5)), 5000, error));
    EXPECT_TRUE(WorthCompressing(Write("tiny", RandomBytes(1000, 5)), 1000, error));
    std::string pe(512, '\0');
    pe.replace(0, 2, "MZ");
    pe[60] = '\x80';
    pe.replace(0x80, 6, std::string("PE\0\0\x64\x86", 6));
    EXPECT_TRUE(HoldsX86Code(Write("x64.dll", pe)));
    pe.replace(0x84, 2, std::string("\x64\xAA", 2)); // ARM64
    EXPECT_FALSE(HoldsX86Code(Write("arm64.dll", pe)));
    EXPECT_FALSE(HoldsX86Code("/proc/self/exe")) << "an ELF file";

    const std::string path = Write("grown", "12345");
    std::uint64_t length = 0;
    EXPECT_FALSE(CompressBlock({{path, "grown", 102, 4, MemberFilter::kNone}},
                               (root / "out.kbs").string(), length, error));
    EXPECT_EQ(error, "'grown' changed while it was being packed");

    // A full disk is named as such, and not as a change of the file being read.
    const std::string text = Write("text", std::string(1 << 20, 't'));
    EXPECT_FALSE(CompressBlock({{text, "text", 102, 1 << 20, MemberFilter::kNone}}, "/dev/full",
                               length, error));
    EXPECT_EQ(error, "cannot write the compressed block to '/dev/full': No space left on device");
}

} // namespace
} // namespace kitbag
