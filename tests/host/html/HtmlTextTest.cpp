#include "host/html/HtmlText.h"

#include <gtest/gtest.h>

#include "base/Utf8.h"

namespace tavlora::host::html {
namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

TEST(HtmlText, MarkupCharactersBecomeReferences) {
    EXPECT_EQ(htmlText("<script>alert(\"x\")</script> & 'q'"),
              "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;");
    EXPECT_EQ(htmlText("&amp;"), "&amp;amp;");  // escaped once more: the text is not markup
    EXPECT_EQ(htmlText("plain text 123"), "plain text 123");
    EXPECT_EQ(htmlText(""), "");
}

TEST(HtmlText, IllFormedUtf8BecomesOneReplacementPerPart) {
    EXPECT_EQ(htmlText("ok\xFF" "end"), "ok" + R + "end");
    EXPECT_EQ(htmlText("cut \xE2\x82"), "cut " + R);                   // one part, cut short
    EXPECT_EQ(htmlText("\xC0\xBC" "b"), R + R + "b");                  // an overlong '<' stays text
    EXPECT_EQ(htmlText("\xED\xA0\x80"), R + R + R);                    // a surrogate
    EXPECT_EQ(htmlText("\xF4\x90\x80\x80"), R + R + R + R);            // past U+10FFFF
    // A stray lead byte does not swallow the markup character after it.
    EXPECT_EQ(htmlText("\xC3<b>"), R + "&lt;b&gt;");
    const std::string wellFormed = "\xC3\xA9 \xE5\xAE\xA2 \xF0\x9F\x98\x80 \xEF\xBF\xBD";
    EXPECT_EQ(htmlText(wellFormed), wellFormed);
    EXPECT_TRUE(base::isValidUtf8(htmlText("\x80\xBF\xFE\xFF\xC3\xE2\x82\xF0\x9F")));
}

TEST(HtmlText, ControlCharactersBecomeReplacementsButTabAndLineBreaksStay) {
    EXPECT_EQ(htmlText(std::string("a\0b", 3)), "a" + R + "b");
    EXPECT_EQ(htmlText("bell\a, escape\x1B, delete\x7F"), "bell" + R + ", escape" + R + ", delete" + R);
    EXPECT_EQ(htmlText("a\tb\nc\r\nd"), "a\tb\nc\r\nd");
}

TEST(HtmlText, LineBreaksAsBlanksForSvgText) {
    EXPECT_EQ(htmlText("North\nSouth", LineBreaks::AsBlank), "North South");
    EXPECT_EQ(htmlText("a\r\nb\tc", LineBreaks::AsBlank), "a  b\tc");
    EXPECT_EQ(htmlText("x\x01y", LineBreaks::AsBlank), "x" + R + "y");
}

TEST(HtmlText, AppendsToWhatIsThere) {
    std::string out = "<td>";
    appendHtmlText(out, "1 < 2");
    out += "</td>";
    EXPECT_EQ(out, "<td>1 &lt; 2</td>");
}

}  // namespace
}  // namespace tavlora::host::html
