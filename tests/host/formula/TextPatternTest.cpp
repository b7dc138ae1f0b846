#include <gtest/gtest.h>

#include "host/formula/TextPattern.h"

namespace tavlora::host {
namespace {

TEST(TextPatternTest, PartMatchWithWildcards) {
    EXPECT_TRUE(TextPattern("%*%").matches("Name: %Customer% here"));
    EXPECT_FALSE(TextPattern("%*%").matches("only one % sign"));
    EXPECT_TRUE(TextPattern("a?c").matches("xxabcxx"));
    EXPECT_FALSE(TextPattern("a?c").matches("ac"));
    EXPECT_TRUE(TextPattern("").matches("anything"));
    EXPECT_TRUE(TextPattern("**").matches(""));
}

TEST(TextPatternTest, TildeEscapesWildcards) {
    EXPECT_TRUE(TextPattern("5~*").matches("5*3"));
    EXPECT_FALSE(TextPattern("5~*").matches("53"));
    EXPECT_TRUE(TextPattern("why~?").matches("why?"));
    EXPECT_FALSE(TextPattern("why~?").matches("whyx"));
    EXPECT_TRUE(TextPattern("a~~b").matches("a~b"));
    EXPECT_TRUE(TextPattern("~x").matches("~x"));
}

TEST(TextPatternTest, IgnoresCaseAndCharacterWidth) {
    EXPECT_TRUE(TextPattern("total").matches("GRAND TOTAL"));
    // Full-width letters and percent signs match their ASCII forms.
    EXPECT_TRUE(TextPattern("%abc%").matches("\xEF\xBC\x85\xEF\xBC\xA1\xEF\xBC\xA2\xEF\xBC\xA3\xEF\xBC\x85"));
    EXPECT_TRUE(TextPattern("\xEF\xBC\x85*\xEF\xBC\x85").matches("x%y%"));
    // "?" is one character, also when it takes several bytes.
    EXPECT_TRUE(TextPattern("a?b").matches("a\xE6\x97\xA5" "b"));
}

TEST(TextPatternTest, ManyStarsStayFast) {
    std::string text(5000, 'a');
    EXPECT_FALSE(TextPattern("*a*a*a*a*a*a*a*a*b").matches(text));
}

TEST(TextPatternTest, WholeTextMatchAsCriteriaUseIt) {
    using E = TextPattern::Extent;
    EXPECT_TRUE(TextPattern("app*", E::WholeText).matches("Apple"));
    EXPECT_FALSE(TextPattern("app*", E::WholeText).matches("pineapple"));
    EXPECT_TRUE(TextPattern("?at", E::WholeText).matches("cat"));
    EXPECT_FALSE(TextPattern("?at", E::WholeText).matches("cats"));
    EXPECT_TRUE(TextPattern("", E::WholeText).matches(""));
    EXPECT_FALSE(TextPattern("", E::WholeText).matches("x"));
    EXPECT_TRUE(TextPattern("*", E::WholeText).matches(""));
    EXPECT_TRUE(TextPattern("a~*", E::WholeText).matches("A*"));
}

// A pattern without wildcards compares ASCII texts letter by letter; other texts still fold fully.
TEST(TextPatternTest, WholeTextWithoutWildcards) {
    using E = TextPattern::Extent;
    const TextPattern east("East", E::WholeText);
    EXPECT_TRUE(east.matches("EAST"));
    EXPECT_TRUE(east.matches("east"));
    EXPECT_FALSE(east.matches("West"));
    EXPECT_FALSE(east.matches("Eas"));
    EXPECT_FALSE(east.matches("Easts"));
    EXPECT_TRUE(east.matches("\xEF\xBC\xA5\xEF\xBD\x81st"));  // full-width "Ea"
    EXPECT_TRUE(TextPattern("~*", E::WholeText).matches("*"));
    EXPECT_FALSE(TextPattern("~*", E::WholeText).matches("x"));
    EXPECT_TRUE(TextPattern("\xEF\xBC\xA1" "b", E::WholeText).matches("aB"));
}

}  // namespace
}  // namespace tavlora::host
