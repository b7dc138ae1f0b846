#include "host/xlsx/XmlText.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

namespace tavlora::host::xlsx {
namespace {

std::string text(std::string_view s) {
    std::string out;
    appendEscapedText(out, s);
    return out;
}

std::string attribute(std::string_view s) {
    std::string out;
    appendEscapedAttribute(out, s);
    return out;
}

std::string decoded(std::string s) {
    decodeEscapedCharacters(s);
    return s;
}

TEST(XmlText, EscapesMarkupCharacters) {
    EXPECT_EQ(text("a & b < c > d \"e\""), "a &amp; b &lt; c &gt; d \"e\"");
    EXPECT_EQ(attribute("a & \"b\" <c>"), "a &amp; &quot;b&quot; &lt;c&gt;");
    EXPECT_EQ(text("plain"), "plain");
}

TEST(XmlText, ControlCharactersBecomeHexEscapesInText) {
    EXPECT_EQ(text(std::string("a\x01" "b", 3)), "a_x0001_b");
    EXPECT_EQ(text(std::string("\0", 1)), "_x0000_");
    EXPECT_EQ(text("line\r\nnext\ttab"), "line_x000D_\nnext\ttab");
    EXPECT_EQ(text("\xEF\xBF\xBE"), "_xFFFE_");  // U+FFFE is not an XML character
}

TEST(XmlText, LiteralEscapeSequencesAreProtected) {
    EXPECT_EQ(text("_x0041_"), "_x005F_x0041_");
    EXPECT_EQ(text("_x004_ and _xZZZZ_ stay"), "_x004_ and _xZZZZ_ stay");
    EXPECT_EQ(decoded(text("_x0041_")), "_x0041_");
}

TEST(XmlText, AttributesKeepWhitespaceAsReferences) {
    EXPECT_EQ(attribute("a\tb\nc\rd"), "a&#9;b&#10;c&#13;d");
    EXPECT_EQ(attribute(std::string("x\x02y", 3)), "x\xEF\xBF\xBDy");
}

TEST(XmlText, InvalidUtf8IsReplaced) {
    EXPECT_EQ(text("ok \xC3\xA9"), "ok \xC3\xA9");                  // é stays
    EXPECT_EQ(text("bad \xC3"), "bad \xEF\xBF\xBD");                 // truncated sequence
    EXPECT_EQ(text("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate, byte by byte
    EXPECT_EQ(text("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");         // U+1F600 stays
}

TEST(XmlText, DecodesEscapes) {
    EXPECT_EQ(decoded("a_x000D_b"), "a\rb");
    EXPECT_EQ(decoded("_x005F_x0041_"), "_x0041_");
    EXPECT_EQ(decoded("_x00e9_"), "\xC3\xA9");
    EXPECT_EQ(decoded("_xD83D__xDE00_"), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(decoded("_xD83D_"), "\xEF\xBF\xBD");            // a lone surrogate
    EXPECT_EQ(decoded("no_x escapes_x12"), "no_x escapes_x12");
}

TEST(XmlText, EveryCharacterRoundTripsThroughAnXmlParser) {
    std::string all;
    for (int c = 0; c < 0x80; ++c) all += static_cast<char>(c);
    all += "_x0001_ \xC3\xA9 \xEF\xBF\xBF";
    std::string xml = "<t xml:space=\"preserve\">" + text(all) + "</t>";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(xml.c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single));
    EXPECT_EQ(decoded(document.child("t").child_value()), all);
}

TEST(XmlText, SpacePreserveWhereBlanksMatter) {
    EXPECT_TRUE(needsSpacePreserve(" lead"));
    EXPECT_TRUE(needsSpacePreserve("trail "));
    EXPECT_TRUE(needsSpacePreserve("two  spaces"));
    EXPECT_TRUE(needsSpacePreserve("line\nbreak"));
    EXPECT_FALSE(needsSpacePreserve("one space"));
    EXPECT_FALSE(needsSpacePreserve(""));
}

}  // namespace
}  // namespace tavlora::host::xlsx
