#include "com/UnicodeText.h"

#include <gtest/gtest.h>

namespace tavlora::com {
namespace {

TEST(UpperCase, UsesTheSimpleUnicodeMapping) {
    EXPECT_EQ(upperCase("abc xyz 123"), "ABC XYZ 123");
    EXPECT_EQ(upperCase("\xC3\xA9" "a"), "\xC3\x89" "A");                   // éa -> ÉA
    EXPECT_EQ(upperCase("stra\xC3\x9F" "e"), "STRA\xC3\x9F" "E");           // ß stays: no simple mapping
    EXPECT_EQ(upperCase("\xCE\xB1\xCF\x89"), "\xCE\x91\xCE\xA9");           // αω -> ΑΩ
    EXPECT_EQ(upperCase("\xD0\xB4\xD0\xB0"), "\xD0\x94\xD0\x90");           // да -> ДА
    EXPECT_EQ(upperCase("\xEF\xBD\x81"), "\xEF\xBC\xA1");                   // full-width a keeps its width
    EXPECT_EQ(upperCase("\xE5\xAE\x8B\xE4\xBD\x93"), "\xE5\xAE\x8B\xE4\xBD\x93");  // CJK unchanged
    EXPECT_EQ(upperCase("\xF0\x90\x90\xA8"), "\xF0\x90\x90\x80");           // Deseret, outside the BMP
}

TEST(UpperCase, InvalidUtf8BecomesReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(upperCase("a\xFF" "b"), "A" + replacement + "B");
    EXPECT_EQ(upperCase("\xC3"), replacement);                      // truncated sequence
    EXPECT_EQ(upperCase("\xC0\xAF"), replacement + replacement);   // overlong form
    EXPECT_EQ(upperCase("\xED\xA0\x80" "x"), replacement + replacement + replacement + "X");  // encoded surrogate
    EXPECT_EQ(upperCase("\xE4\xBD" "a"), replacement + "A");         // continuation missing
}

TEST(WidthFolding, FoldsFullWidthFormsAndTheIdeographicSpace) {
    EXPECT_EQ(foldCaseAndWidth("\xEF\xBC\x85Name\xEF\xBC\x85"), "%NAME%");  // ％Name％
    EXPECT_EQ(foldCaseAndWidth("\xEF\xBD\x81\xEF\xBD\x9E"), "A~");           // ａ～ (U+FF41, U+FF5E)
    EXPECT_EQ(foldCaseAndWidth("\xEF\xBC\x81"), "!");                        // U+FF01
    EXPECT_EQ(foldCaseAndWidth("a\xE3\x80\x80" "b"), "A B");                 // U+3000
    EXPECT_EQ(foldCaseAndWidth("\xEF\xBD\x9F"), "\xEF\xBD\x9F");             // U+FF5F is outside
    EXPECT_EQ(foldCaseAndWidth("\xEF\xBC\x80"), "\xEF\xBC\x80");             // U+FF00 is outside
}

TEST(WidthFolding, ComparisonIgnoresCaseAndWidth) {
    EXPECT_TRUE(equalsIgnoreCaseAndWidth("\xEF\xBC\xAE\xEF\xBD\x81me", "NAME"));  // Ｎａme
    EXPECT_TRUE(equalsIgnoreCaseAndWidth("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));
    EXPECT_TRUE(equalsIgnoreCaseAndWidth("", ""));
    EXPECT_FALSE(equalsIgnoreCaseAndWidth("Name", "Names"));
    EXPECT_FALSE(equalsIgnoreCaseAndWidth("Names", "Name"));
    EXPECT_FALSE(equalsIgnoreCaseAndWidth("a b", "ab"));
    EXPECT_FALSE(equalsIgnoreCaseAndWidth("stra\xC3\x9F" "e", "STRASSE"));
}

TEST(TrimBlanks, TrimsOnlyTheAsciiBlank) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimLeftBlanks("  a  "), "a  ");
    EXPECT_EQ(trimRightBlanks("  a  "), "  a");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(trimBlanks("\xE3\x80\x80" "a"), "\xE3\x80\x80" "a");
}

}  // namespace
}  // namespace tavlora::com
