#include "tests/tools/manifest_line.h"

#include <gtest/gtest.h>

namespace {

std::string OnOneLine(const std::string& bytes) {
    return ManifestOnOneLine(bytes.data(), bytes.size());
}

TEST(ManifestOnOneLine, RemovesLineBreaksAndTheByteOrderMark) {
    EXPECT_EQ("<?xml?><assembly>  <x/></assembly>",
              OnOneLine("\xEF\xBB\xBF<?xml?>\r\n<assembly>\n  <x/>\r</assembly>\r\n"));
}

TEST(ManifestOnOneLine, KeepsEverythingElseAsItIs) {
    EXPECT_EQ("<a b=\"\xC3\xA9\">\t</a>", OnOneLine("<a b=\"\xC3\xA9\">\t</a>"));
    EXPECT_EQ("x\xEF\xBB\xBF", OnOneLine("x\xEF\xBB\xBF")); // only a leading mark is one
    EXPECT_EQ("\xEF\xBB", OnOneLine("\xEF\xBB"));
}

TEST(ManifestOnOneLine, DropsNulBytes) {
    EXPECT_EQ("<a/>", OnOneLine(std::string("<a/>\0\0\0", 7)));
}

TEST(ManifestOnOneLine, HandlesNothing) {
    EXPECT_EQ("", ManifestOnOneLine(nullptr, 0));
    EXPECT_EQ("", OnOneLine(""));
    EXPECT_EQ("", OnOneLine("\xEF\xBB\xBF\r\n"));
}

} // namespace
