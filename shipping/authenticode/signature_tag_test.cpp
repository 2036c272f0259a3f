#include "shipping/pe/pe_layout.h"
#include "shipping/authenticode/der_reader.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/pe/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kitbag {
namespace {

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A file of `size` bytes whose end is the given bytes.
Bytes EndingWith(const Bytes& end, std::size_t size = 8000) {
    Bytes file(size - end.size(), 0x20);
    file.insert(file.end(), end.begin(), end.end());
    return file;
}

std::size_t Count(const Bytes& data, const Bytes& what) {
    std::size_t n = 0;
    for (auto at = data.begin();
         (at = std::search(at, data.end(), what.begin(), what.end())) != data.end(); ++at)
        ++n;
    return n;
}

TEST(SignatureTag, ScanFindsWhatTheInstallerFinds) {
    const std::string six = "123456";
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDCabc" + six))), Text("abc"));
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDCabc12345"))), Text("ab"));
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDCone" + six + "MRDCtwo" + six))), Text("two"));
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDCx" + six + "MRDC12"))), std::nullopt);
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDC" + std::string(4106, 'i') + six))),
              Text(std::string(4106, 'i')));
    EXPECT_EQ(FindInformation(EndingWith(Text("MRDC" + std::string(4107, 'i') + six))),
              std::nullopt);
    EXPECT_EQ(FindInformation(Text("MRDC" + std::string(4106, 'i') + six)), std::nullopt);
}

// An image big enough that the whole reader window lies in it.
Bytes BigImage(Architecture architecture = Architecture::X86) {
    ResourceTree tree;
    tree[ResourceName::Id(10)][ResourceName::Id(1)][0].bytes = Bytes(6000, 0xEE);
    return test::MakeImage(tree, architecture);
}

class Tagging : public ::testing::Test {
protected:
    Bytes signedImage = test::AppendCertificate(BigImage(), test::MakeSignedData());

    Bytes Tag(const Bytes& image, const Bytes& information) {
        Bytes out;
        std::string error;
        EXPECT_TRUE(TagImage(image, information, out, error)) << error;
        return out;
    }
    void ExpectBlockEndsTheFile(const Bytes& original);
};

TEST_F(Tagging, BlockSitsInsideOneAlignedDerObjectThatEndsTheFile) {
    for (Architecture architecture : {Architecture::X86, Architecture::X64}) {
        SCOPED_TRACE(ArchitectureName(architecture));
        ExpectBlockEndsTheFile(
            test::AppendCertificate(BigImage(architecture), test::MakeSignedData()));
    }
}

void Tagging::ExpectBlockEndsTheFile(const Bytes& original) {
    PeLayout before;
    std::string error;
    ASSERT_TRUE(ParsePe(original, before, error));
    Directory table = before.Dir(kSecurityDirectory);
    ASSERT_NE(table.size, 0u);
    for (std::size_t n : {1, 2, 3, 50, 100, 117, 118, 119, 120, 1000, 4106}) {
        Bytes information(n, 'x');
        Bytes out = Tag(original, information);
        PeLayout after;
        ASSERT_TRUE(ParsePe(out, after, error)) << n;
        EXPECT_EQ(after.Dir(kSecurityDirectory).address, table.address) << n;
        EXPECT_EQ(after.Dir(kSecurityDirectory).size, out.size() - table.address) << n;
        std::uint32_t entry = ReadU32(out, table.address);
        EXPECT_EQ(entry, out.size() - table.address) << n;
        EXPECT_EQ(entry % 8, 0u) << n;
        DerElement object;
        ASSERT_TRUE(ReadDerElement(out, table.address + 8, out.size(), object)) << n;
        EXPECT_EQ(object.end, out.size()) << n;
        EXPECT_EQ(FindInformation(out), information) << n;
        EXPECT_EQ(ReadU32(out, after.ChecksumOffset()), PeChecksum(out, after.ChecksumOffset()));
        // Everything the signature covers is unchanged.
        for (std::size_t at = 0; at < table.address; ++at) {
            bool excluded = (at >= after.ChecksumOffset() && at < after.ChecksumOffset() + 4) ||
                            (at >= after.DirectoryOffset(kSecurityDirectory) &&
                             at < after.DirectoryOffset(kSecurityDirectory) + 8);
            if (!excluded && out[at] != original[at]) {
                ADD_FAILURE() << "byte " << at << " changed for " << n;
                break;
            }
        }
    }
}

TEST_F(Tagging, ATagIsReplacedAndOtherUnsignedAttributesStay) {
    Bytes timestamp = DerEncode(
        0x30, Concat(DerEncode(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x06}),
                     DerEncode(0x31, DerEncode(0x30, Bytes(40, 3)))));
    Bytes image = test::AppendCertificate(BigImage(), test::MakeSignedData(&timestamp));
    Bytes twice = Tag(Tag(image, Text("first")), Text("second"));
    EXPECT_EQ(FindInformation(twice), Text("second"));
    EXPECT_EQ(Count(twice, kTagAttributeOid), 1u);
    EXPECT_EQ(Count(twice, Text("first")), 0u);
    EXPECT_EQ(Count(twice, timestamp), 1u);
    EXPECT_EQ(twice.size(), Tag(image, Text("second")).size());

    // A block appended after the object, the way Windows' padding check rejects, goes.
    Bytes appended = test::MakeSignedData();
    for (const char* part : {"MRDC", "old information", "123456"})
        appended = Concat(appended, Text(part));
    Bytes replaced = Tag(test::AppendCertificate(BigImage(), appended), Text("new"));
    EXPECT_EQ(FindInformation(replaced), Text("new"));
    EXPECT_EQ(Count(replaced, Text("old information")), 0u);
    EXPECT_EQ(Count(replaced, Text("MRDC")), 1u);
}

// An unauthenticated attribute like the one a nested signature is kept in.
Bytes NestedSignature() {
    return DerEncode(
        0x30, Concat(DerEncode(0x06, {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x04, 0x01}),
                     DerEncode(0x31, DerEncode(0x30, Bytes(1400, 0x42)))));
}

// Our attribute as the tool writes it, holding information.
Bytes OurAttribute(const std::string& information) {
    Bytes value = Concat(Text("MRDC" + information), Bytes(6, 0));
    return DerEncode(
        0x30, Concat(DerEncode(0x06, kTagAttributeOid), DerEncode(0x31, DerEncode(0x04, value))));
}

Bytes SignedWith(const Bytes& unsignedAttributes) {
    return test::AppendCertificate(BigImage(), test::MakeSignedData(&unsignedAttributes));
}

TEST_F(Tagging, ShowGivesExactlyWhatTheInstallerReadsOrRefuses) {
    const Bytes nested = NestedSignature();
    // Signed again after tagging: the new signature's attribute lands after the block.
    const Bytes signedAfterTagging = SignedWith(Concat(OurAttribute("info"), nested));
    const Bytes taggedAfterNesting = Tag(SignedWith(nested), Text("info"));
    const Bytes taggedAgain = Tag(signedAfterTagging, Text("info"));
    Bytes appended = test::MakeSignedData();
    for (const char* part : {"MRDC", "info", "123456"})
        appended = Concat(appended, Text(part));
    const Bytes block = OurAttribute("info");
    Bytes padded = test::MakeSignedData(&block);
    padded.resize(padded.size() + 8, 0);
    Bytes unsignedEnd = BigImage();
    for (const char* part : {"MRDC", "info", "123456"})
        unsignedEnd = Concat(unsignedEnd, Text(part));
    const struct {
        const char* what;
        Bytes file;
        const char* expected; // the information, or the reason for refusing
        bool shown;
    } rows[] = {
        {"signed, untagged", signedImage, "", true},
        {"tagged", Tag(signedImage, Text("info")), "info", true},
        {"tagged after nesting", taggedAfterNesting, "info", true},
        {"tagged again after nesting", taggedAgain, "info", true},
        {"signed again after tagging", signedAfterTagging, "followed by 1424 bytes", false},
        {"zero padding after the object", test::AppendCertificate(BigImage(), padded),
         "followed by", false},
        {"two blocks", SignedWith(Concat(OurAttribute("one"), OurAttribute("two"))),
         "2 information blocks", false},
        {"a block appended after the object", test::AppendCertificate(BigImage(), appended),
         "no block kitbag-tag placed", false},
        {"an unsigned file ending in a block", unsignedEnd, "no block kitbag-tag placed", false},
        {"a block without information", SignedWith(OurAttribute("")), "malformed", false},
    };
    for (const auto& row : rows) {
        std::optional<Bytes> information;
        std::string error;
        EXPECT_EQ(ShowInformation(row.file, information, error), row.shown) << row.what;
        if (row.shown)
            EXPECT_EQ(information.value_or(Bytes{}), Text(row.expected)) << row.what;
        else
            EXPECT_NE(error.find(row.expected), std::string::npos) << row.what << ": " << error;
    }
    // What the installer would have written for the file signed again after tagging.
    EXPECT_NE(FindInformation(signedAfterTagging), Text("info"));
    // Tagging again keeps the nested signature and leaves one block, at the end.
    for (const Bytes* file : {&taggedAfterNesting, &taggedAgain}) {
        EXPECT_EQ(Count(*file, nested), 1u);
        EXPECT_EQ(Count(*file, kTagAttributeOid), 1u);
        EXPECT_EQ(FindInformation(*file), Text("info"));
    }
}

TEST_F(Tagging, RefusesWhatTheInstallerCouldNotReadOrWindowsWouldReject) {
    Bytes unsignedImage = BigImage();
    Bytes notLast = signedImage;
    notLast.insert(notLast.end(), 8, 0);
    Bytes small = test::AppendCertificate(test::MakeImage({}), test::MakeSignedData());
    Bytes otherType = test::AppendCertificate(BigImage(), test::MakeSignedData(), 1);
    // The table made to start 8 bytes early, inside the last section, with an empty entry
    // there: a tag would cut the section short.
    Bytes overlapping = signedImage;
    {
        PeLayout layout;
        std::string error;
        ASSERT_TRUE(ParsePe(overlapping, layout, error)) << error;
        Directory table = layout.Dir(kSecurityDirectory);
        WriteU32(overlapping, layout.DirectoryOffset(kSecurityDirectory), table.address - 8);
        WriteU32(overlapping, layout.DirectoryOffset(kSecurityDirectory) + 4, table.size + 8);
        WriteU32(overlapping, table.address - 8, 8);
        WriteU16(overlapping, table.address - 4, 0x0200);
        WriteU16(overlapping, table.address - 2, 2);
    }
    const struct {
        const Bytes& image;
        Bytes information;
        const char* reason;
    } rows[] = {
        {unsignedImage, Text("x"), "not signed"},
        {notLast, Text("x"), "not the last"},
        {otherType, Text("x"), "not an Authenticode"},
        {overlapping, Text("x"), "overlaps the image's headers or sections"},
        {small, Text("x"), "would not fall"},
        {signedImage, {}, "1 to 4106"},
        {signedImage, Bytes(4107, 'x'), "1 to 4106"},
        {signedImage, Text("key=MRDC1"), "MRDC"},
    };
    for (const auto& row : rows) {
        Bytes out;
        std::string error;
        EXPECT_FALSE(TagImage(row.image, row.information, out, error)) << row.reason;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

} // namespace
} // namespace kitbag
