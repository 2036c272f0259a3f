#include "shipping/base/text.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

TEST(TextConversion, Utf16BecomesUtf8AndBackAndALoneSurrogateBecomesTheReplacement) {
    const std::u16string text = u"A\u00E9\u20AC\U0001F34F";
    EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8D\x8F");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800, u'b', 0xDC00}), "a\xEF\xBF\xBD"
                                                                       "b\xEF\xBF\xBD");
}

} // namespace
} // namespace kitbag
