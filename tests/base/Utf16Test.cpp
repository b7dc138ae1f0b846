#include "base/Utf16.h"

#include <gtest/gtest.h>

namespace tavlora::base {
namespace {

TEST(Utf16Test, RoundTripsEveryPlane) {
    const std::string text = "A Ä 苹 😀 \xF4\x8F\xBF\xBF";
    const std::u16string units = utf16FromUtf8(text);
    EXPECT_EQ(units, std::u16string(u"A Ä 苹 😀 \U0010FFFF"));
    EXPECT_EQ(utf8FromUtf16(units), text);
}

TEST(Utf16Test, LoneSurrogatesAndBadUtf8BecomeReplacementCharacters) {
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00), char16_t(0xD83D)};
    EXPECT_EQ(utf8FromUtf16(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf16FromUtf8("x\xFFy"), std::u16string(u"x\uFFFDy"));
}

}  // namespace
}  // namespace tavlora::base
