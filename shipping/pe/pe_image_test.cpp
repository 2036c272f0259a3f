#include "shipping/pe/resource_section.h"
#include "shipping/pe/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace kitbag {
namespace {

ResourceTree SampleTree() {
    ResourceTree tree;
    std::string error;
    SetTableString(tree, 1, u"Kitbag", error);
    tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)][0x409] =
        tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)][0];
    tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)].erase(0);
    tree[ResourceName::Id(24)][ResourceName::Id(1)][0x409].bytes = Bytes(300, 'x');
    return tree;
}

PeLayout Layout(const Bytes& image) {
    PeLayout layout;
    std::string error;
    EXPECT_TRUE(ParsePe(image, layout, error)) << error;
    return layout;
}

TEST(PeImage, ChecksumFoldsCarriesSkipsItsOwnFieldAndAddsTheLength) {
    EXPECT_EQ(PeChecksum({1, 0, 2, 0, 3, 0}, 100), 6u + 6u);
    EXPECT_EQ(PeChecksum({0xFF, 0xFF, 0x02, 0x00}, 100), 2u + 4u); // 0xFFFF + 2 folds to 2
    EXPECT_EQ(PeChecksum({1, 0, 0xAA, 0xBB, 0xCC, 0xDD, 5}, 2), 1u + 5u + 7u);
}

// The sum as the image checksum is defined: carries folded back after every word.
std::uint32_t WordByWordChecksum(const Bytes& image, std::size_t field) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2) {
        auto byte = [&](std::size_t i) -> std::uint32_t {
            return i < image.size() && (i < field || i >= field + 4) ? image[i] : 0;
        };
        sum += byte(at) | (byte(at + 1) << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint32_t>(((sum & 0xFFFF) + (sum >> 16)) + image.size());
}

TEST(PeImage, ChecksumTakenInPiecesOfAnyLengthIsTheWholeFilesChecksum) {
    std::mt19937 random(7);
    for (std::size_t size : {0, 1, 2, 7, 4096, 100001}) {
        for (std::uint8_t fill : {0x00, 0xFF, 0x5A}) {
            Bytes image(size, fill);
            if (fill == 0x5A)
                for (auto& b : image)
                    b = static_cast<std::uint8_t>(random());
            const std::size_t field = size / 3;
            Bytes zeroed = image;
            for (std::size_t i = field; i < std::min(field + 4, size); ++i)
                zeroed[i] = 0;
            PeChecksumSum sum;
            for (std::size_t at = 0; at < size;) {
                std::size_t piece = std::min<std::size_t>(size - at, random() % 9);
                sum.Add(zeroed.data() + at, piece);
                at += piece;
            }
            EXPECT_EQ(sum.Checksum(), WordByWordChecksum(image, field)) << size << " " << +fill;
            EXPECT_EQ(PeChecksum(image, field), WordByWordChecksum(image, field))
                << size << " " << +fill;
        }
    }
}

TEST(PeImage, RefusesImagesItCannotRewriteAndSaysWhy) {
    const Bytes x86 = test::MakeImage(SampleTree());
    const Bytes x64 = test::MakeImage(SampleTree(), Architecture::X64);
    const std::size_t opt = test::kOptionalHeader;
    const struct {
        const char* what;
        const Bytes& image;
        std::size_t at;
        std::uint32_t value;
        int width;
        const char* reason;
    } rows[] = {
        {"no MZ", x86, 0, 'X', 1, "no MZ header"},
        {"PE header beyond the file", x86, 60, 0xFFFFFF00u, 4, "no PE signature"},
        {"an ARM64 machine", x86, 0x44, 0xAA64, 2, "not an image for 32-bit Intel or x86-64"},
        {"x86-64 machine with a PE32 header", x86, 0x44, 0x8664, 2, "not a PE32+ image"},
        {"i386 machine with a PE32+ header", x64, 0x44, 0x14C, 2, "not a PE32 image"},
        {"file alignment not a power of two", x86, opt + 36, 0x300, 4, "powers of two"},
        {"PE32+ file alignment not a power of two", x64, opt + 36, 0x300, 4, "powers of two"},
        {"PE32+ directory count beyond the header", x64, opt + 108, 17, 4, "too short"},
        {"too many sections for the headers", x86, 0x46, 40, 2, "does not fit the headers"},
        {"section data beyond the file", x86, test::SectionTable(Architecture::X86) + 40 + 20,
         0x100000, 4, "beyond the end of the file"},
        {"PE32+ section data beyond the file", x64, test::SectionTable(Architecture::X64) + 40 + 20,
         0x100000, 4, "beyond the end of the file"},
    };
    for (const auto& row : rows) {
        Bytes bad = row.image;
        if (row.width == 1)
            bad[row.at] = static_cast<std::uint8_t>(row.value);
        else if (row.width == 2)
            WriteU16(bad, row.at, static_cast<std::uint16_t>(row.value));
        else
            WriteU32(bad, row.at, row.value);
        PeLayout layout;
        std::string error;
        EXPECT_FALSE(ParsePe(bad, layout, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }
}

TEST(PeImage, TruncatedImagesAreRefusedWithoutReadingBeyondThem) {
    const Bytes image = test::MakeImage(SampleTree());
    const struct {
        std::size_t size;
        const char* reason;
    } rows[] = {
        {0, "no MZ header"},
        {2, "no MZ header"},
        {63, "no MZ header"},
        {0x46, "no PE signature"},
        {0x60, "optional header missing"},
        {test::SectionTable(Architecture::X86) + 40, "does not fit the headers"},
        {0x500, "section '.rsrc' reaches beyond the end of the file"},
    };
    for (const auto& row : rows) {
        Bytes cut(image.begin(), image.begin() + row.size);
        PeLayout layout;
        std::string error;
        EXPECT_FALSE(ParsePe(cut, layout, error)) << row.size;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.size << ": " << error;
    }
}

// The offset of the table or data entry that the first entry of the table at `table` names.
std::size_t FirstChild(const Bytes& image, std::size_t root, std::size_t table) {
    return root + (ReadU32(image, table + 20) & 0x7FFFFFFF);
}

TEST(PeImage, ResourceDirectoriesReachingOutsideTheSectionAreRefused) {
    ResourceTree sample = SampleTree();
    sample[ResourceName::String("TOOLKIT")][ResourceName::Id(101)][0].bytes = {'1', '0', '2'};
    const std::size_t rsrcEntry = test::SectionTable(Architecture::X86) + 40;
    const std::size_t resourceDirectory = test::kOptionalHeader + 96 + 8 * kResourceDirectory;
    // Each row spoils the image whose resource directory starts at `root`; the first entry of
    // every level leads to the TOOLKIT manifest.
    const struct {
        const char* what;
        void (*spoil)(Bytes& image, std::size_t root);
        const char* reason;
    } rows[] = {
        {"root entry count running past the section end",
         [](Bytes& b, std::size_t root) { WriteU16(b, root + 14, 0xFFFF); }, "entries lie outside"},
        {"type table's entry count running past the section end",
         [](Bytes& b, std::size_t root) { WriteU16(b, FirstChild(b, root, root) + 12, 0x4000); },
         "entries lie outside"},
        {"subdirectory offset past the end of the file",
         [](Bytes& b, std::size_t root) { WriteU32(b, root + 20, 0xFFFF0000u); },
         "a resource directory lies outside"},
        {"subdirectory at the section's last bytes",
         [](Bytes& b, std::size_t root) {
             std::uint32_t rawSize = ReadU32(b, test::SectionTable(Architecture::X86) + 40 + 16);
             WriteU32(b, root + 20, 0x80000000u | (rawSize - 8));
         },
         "a resource directory lies outside"},
        {"a name's offset past the end of the file",
         [](Bytes& b, std::size_t root) { WriteU32(b, root + 16, 0xFFFFFFF0u); },
         "a resource name lies outside"},
        {"a name's length running past the section end",
         [](Bytes& b, std::size_t root) {
             WriteU16(b, root + (ReadU32(b, root + 16) & 0x7FFFFFFF), 0xFFFF);
         },
         "a resource name lies outside"},
        {"a data entry's offset past the end of the file",
         [](Bytes& b, std::size_t root) {
             std::size_t languages = FirstChild(b, root, FirstChild(b, root, root));
             WriteU32(b, languages + 20, 0x7FFFFFF0u);
         },
         "a resource data entry lies outside"},
        {"a huge data size",
         [](Bytes& b, std::size_t root) {
             std::size_t languages = FirstChild(b, root, FirstChild(b, root, root));
             WriteU32(b, FirstChild(b, root, languages) + 4, 0xFFFFFFF0u);
         },
         "resource data lies outside the image's sections"},
        {"data at an address no section holds",
         [](Bytes& b, std::size_t root) {
             std::size_t languages = FirstChild(b, root, FirstChild(b, root, root));
             WriteU32(b, FirstChild(b, root, languages), 0x7FFFF000u);
         },
         "resource data lies outside the image's sections"},
        {"a directory that names the root again",
         [](Bytes& b, std::size_t root) { WriteU32(b, root + 20, 0x80000000u); },
         "named by more than one entry"},
        {"two types sharing one name directory",
         [](Bytes& b, std::size_t root) { WriteU32(b, root + 28, ReadU32(b, root + 20)); },
         "named by more than one entry"},
    };
    const Bytes image = test::MakeImage(sample);
    const std::size_t root = ReadU32(image, rsrcEntry + 20);
    for (const auto& row : rows) {
        Bytes bad = image;
        row.spoil(bad, root);
        PeLayout layout;
        ResourceTree tree;
        std::string error;
        ASSERT_TRUE(ParsePe(bad, layout, error)) << row.what << ": " << error;
        EXPECT_FALSE(ReadResources(bad, layout, tree, error)) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }

    // A section without data whose raw pointer lies near 4 GiB: the pointer plus the
    // directory's place in the section wraps around to the start of the file.
    Bytes wrapped = image;
    WriteU16(wrapped, 0x46, 2); // .text and .rsrc
    WriteU32(wrapped, rsrcEntry + 8, 0x100000);
    WriteU32(wrapped, rsrcEntry + 16, 0);
    WriteU32(wrapped, rsrcEntry + 20, 0xFFFFF000u);
    WriteU32(wrapped, resourceDirectory, 0x2000 + 0x1000 + static_cast<std::uint32_t>(root));
    PeLayout layout;
    std::string error;
    EXPECT_FALSE(ParsePe(wrapped, layout, error));
    EXPECT_NE(error.find("section '.rsrc' reaches beyond the end"), std::string::npos) << error;
}

TEST(PeImage, EntriesSharingTheirDataCannotMakeTheReadLargerThanTheFile) {
    ResourceTree tree = SampleTree();
    auto& languages = tree[ResourceName::String("TOOLKIT")][ResourceName::Id(101)];
    languages[0].bytes = Bytes(0x10000, 'p');
    for (std::uint16_t language = 1; language <= 3; ++language)
        languages[language].bytes = {'x'};
    Bytes image = test::MakeImage(tree);
    const std::size_t root = ReadU32(image, test::SectionTable(Architecture::X86) + 40 + 20);
    const std::size_t table = FirstChild(image, root, FirstChild(image, root, root));
    PeLayout layout;
    ResourceTree read;
    std::string error;
    ASSERT_TRUE(ParsePe(image, layout, error) && ReadResources(image, layout, read, error))
        << error;
    // Every language's entry points at the first one's data: four times its 64 KiB.
    for (int i = 1; i <= 3; ++i)
        WriteU32(image, table + 16 + 8 * i + 4, ReadU32(image, table + 16 + 4));
    EXPECT_FALSE(ReadResources(image, layout, read, error));
    EXPECT_NE(error.find("more data than the whole file"), std::string::npos) << error;
}

TEST(PeImage, ReadsBothArchitecturesWithTheirOwnDirectoryPlace) {
    for (Architecture architecture : {Architecture::X86, Architecture::X64}) {
        Bytes image = test::MakeImage(SampleTree(), architecture);
        PeLayout layout = Layout(image);
        EXPECT_EQ(layout.architecture, architecture);
        EXPECT_EQ(layout.sectionTableOffset, test::SectionTable(architecture));
        EXPECT_EQ(layout.Dir(kResourceDirectory).address, 0x2000u);
        EXPECT_EQ(layout.Dir(kBaseRelocationDirectory).size, 12u);
        ResourceTree tree;
        std::string error;
        ASSERT_TRUE(ReadResources(image, layout, tree, error)) << error;
        EXPECT_EQ(GetTableString(tree, 1), u"Kitbag");
    }
    EXPECT_STREQ(ArchitectureName(Architecture::X86), "x86");
    EXPECT_STREQ(ArchitectureName(Architecture::X64), "x64");
}

TEST(PeImage, ResourcesSurviveAReadAndRebuild) {
    ResourceTree tree = SampleTree();
    tree[ResourceName::String("TOOLKIT")][ResourceName::Id(101)][0] = {{'1', '0', '2'}, 0};
    tree[ResourceName::String("TOOLKIT")][ResourceName::Id(102)][0] = {Bytes(5000, 7), 1252};
    Bytes image = test::MakeImage(tree);
    PeLayout layout = Layout(image);
    ResourceTree read;
    std::string error;
    ASSERT_TRUE(ReadResources(image, layout, read, error)) << error;
    ASSERT_EQ(read.size(), 3u);
    EXPECT_TRUE(read.begin()->first.isString); // string-named types come first
    EXPECT_EQ(read.begin()->first.text, u"TOOLKIT");
    EXPECT_EQ(read[ResourceName::String("TOOLKIT")][ResourceName::Id(102)][0].bytes,
              Bytes(5000, 7));
    EXPECT_EQ(read[ResourceName::String("TOOLKIT")][ResourceName::Id(102)][0].codePage, 1252u);
    EXPECT_EQ(GetTableString(read, 1), u"Kitbag");
    // The root directory counts one named entry and two id entries.
    std::size_t root = layout.sections[1].rawPointer;
    EXPECT_EQ(ReadU16(image, root + 12), 1);
    EXPECT_EQ(ReadU16(image, root + 14), 2);
}

TEST(PeImage, StringTableEntriesChangeAloneInEveryLanguageOfTheirBlock) {
    ResourceTree tree = SampleTree();
    std::string error;
    tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)][0x407] =
        tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)][0x409];
    ASSERT_TRUE(SetTableString(tree, 0, u"x64", error));
    ASSERT_TRUE(SetTableString(tree, 201, u"Prod\u00fckt", error));
    for (auto& [language, data] : tree[ResourceName::Id(kStringTableType)][ResourceName::Id(1)]) {
        ResourceTree one;
        one[ResourceName::Id(kStringTableType)][ResourceName::Id(1)][language] = data;
        EXPECT_EQ(GetTableString(one, 0), u"x64") << language;
        EXPECT_EQ(GetTableString(one, 1), u"Kitbag") << language;
        EXPECT_EQ(GetTableString(one, 2), u"") << language;
    }
    EXPECT_EQ(GetTableString(tree, 201), u"Prod\u00fckt"); // block 13, made neutral
    EXPECT_EQ(tree[ResourceName::Id(kStringTableType)][ResourceName::Id(13)].count(0), 1u);
}

class GrownResources : public testing::TestWithParam<Architecture> {};
INSTANTIATE_TEST_SUITE_P(PeImage, GrownResources,
                         testing::Values(Architecture::X86, Architecture::X64),
                         [](const auto& info) { return ArchitectureName(info.param); });

TEST_P(GrownResources, MoveTheRelocationsAndKeepTheHeadersTrue) {
    Bytes image = test::MakeImage(SampleTree(), GetParam());
    PeLayout before = Layout(image);
    ResourceTree tree;
    std::string error;
    ASSERT_TRUE(ReadResources(image, before, tree, error)) << error;
    tree[ResourceName::String("TOOLKIT")][ResourceName::Id(102)][0].bytes = Bytes(0x3456, 9);
    Bytes out;
    ASSERT_TRUE(ReplaceResources(image, tree, out, error)) << error;
    PeLayout after = Layout(out);

    ASSERT_EQ(after.sections.size(), 3u);
    const Section& rsrc = after.sections[1];
    const Section& reloc = after.sections[2];
    EXPECT_EQ(rsrc.rawPointer, before.sections[1].rawPointer);
    EXPECT_EQ(rsrc.rawSize % test::kFileAlignment, 0u);
    EXPECT_GE(rsrc.virtualSize, 0x3456u);
    EXPECT_EQ(reloc.virtualAddress,
              AlignUp(rsrc.virtualAddress + rsrc.virtualSize, test::kSectionAlignment));
    EXPECT_EQ(reloc.rawPointer, rsrc.rawPointer + rsrc.rawSize);
    EXPECT_EQ(out.size(), reloc.rawPointer + reloc.rawSize);
    EXPECT_EQ(after.Dir(kResourceDirectory).address, rsrc.virtualAddress);
    EXPECT_EQ(after.Dir(kResourceDirectory).size, rsrc.virtualSize);
    EXPECT_EQ(after.Dir(kBaseRelocationDirectory).address, reloc.virtualAddress);
    EXPECT_EQ(ReadU32(out, reloc.rawPointer), 0x1000u); // the block itself, unchanged
    EXPECT_EQ(ReadU32(out, after.optionalOffset + 56),
              AlignUp(reloc.virtualAddress + reloc.virtualSize, test::kSectionAlignment));
    EXPECT_EQ(ReadU32(out, after.optionalOffset + 8), rsrc.rawSize + reloc.rawSize);
    EXPECT_EQ(ReadU32(out, after.ChecksumOffset()), PeChecksum(out, after.ChecksumOffset()));
    // The code section is byte for byte the same.
    EXPECT_TRUE(std::equal(image.begin() + 0x200, image.begin() + 0x400, out.begin() + 0x200));

    ResourceTree reread;
    ASSERT_TRUE(ReadResources(out, after, reread, error)) << error;
    EXPECT_EQ(reread[ResourceName::String("TOOLKIT")][ResourceName::Id(102)][0].bytes,
              Bytes(0x3456, 9));
}

TEST(PeImage, ReplacingResourcesRefusesSignedImagesAndDataItCannotMove) {
    Bytes image = test::MakeImage(SampleTree());
    ResourceTree tree = SampleTree();
    Bytes out;
    std::string error;
    EXPECT_FALSE(
        ReplaceResources(test::AppendCertificate(image, test::MakeSignedData()), tree, out, error));
    EXPECT_NE(error.find("signed"), std::string::npos) << error;

    Bytes trailing = image;
    trailing.push_back(1);
    EXPECT_FALSE(ReplaceResources(trailing, tree, out, error));
    EXPECT_NE(error.find("after its last section"), std::string::npos) << error;

    Bytes pinned = image; // the relocation directory no longer names the last section
    WriteU32(pinned, Layout(image).DirectoryOffset(kBaseRelocationDirectory), 0);
    EXPECT_FALSE(ReplaceResources(pinned, tree, out, error));
    EXPECT_NE(error.find("cannot be moved"), std::string::npos) << error;

    // The resource data placed inside the headers or inside the code section's data: a
    // rebuild would cut off what lies after it and write the section table into the data.
    const std::size_t rsrcRawPointer = test::SectionTable(Architecture::X86) + 40 + 20;
    for (std::uint32_t overlapping : {0x100u, 0x300u}) {
        Bytes bad = image;
        WriteU32(bad, rsrcRawPointer, overlapping);
        EXPECT_FALSE(ReplaceResources(bad, tree, out, error)) << overlapping;
        EXPECT_NE(error.find("overlaps"), std::string::npos) << error;
    }
}

} // namespace
} // namespace kitbag
