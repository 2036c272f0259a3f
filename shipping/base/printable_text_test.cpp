#include "shipping/base/printable_text.h"

#include <gtest/gtest.h>

using namespace kitbag;

TEST(PrintableText, ControlsAndBrokenUtf8AreEscapedEverythingElseKept) {
    EXPECT_EQ(PrintableText("Caf\xC3\xA9 \xE2\x82\xAC docs\\Read Me.txt"),
              "Caf\xC3\xA9 \xE2\x82\xAC docs\\Read Me.txt");
    EXPECT_EQ(PrintableText("a\x1B[2Jb\r\n\x7F"), "a\\x1B[2Jb\\x0D\\x0A\\x7F");
    EXPECT_EQ(PrintableText("\xC2\x9B"
                            "31m \xC2\xA0"),
              "\\x9B31m \xC2\xA0");                       // C1 CSI; NBSP kept
    EXPECT_EQ(PrintableText("\xFF\xC3"), "\\xFF\\xC3");   // cut short
    EXPECT_EQ(PrintableText("\xE0\x80\xAF \xED\xA0\x80"), // overlong, surrogate
              "\\xE0\\x80\\xAF \\xED\\xA0\\x80");
    EXPECT_EQ(PrintableText(std::string("a\0b", 3)), "a\\x00b");
}
