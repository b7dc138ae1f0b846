#include "base/Ascii.h"

#include <gtest/gtest.h>

namespace tavlora::base {
namespace {

TEST(AsciiClasses, BoundariesOfEachClass) {
    EXPECT_TRUE(isAsciiDigit('0') && isAsciiDigit('9'));
    EXPECT_FALSE(isAsciiDigit('/') || isAsciiDigit(':'));
    EXPECT_TRUE(isAsciiLetter('A') && isAsciiLetter('Z') && isAsciiLetter('a') && isAsciiLetter('z'));
    EXPECT_FALSE(isAsciiLetter('@') || isAsciiLetter('[') || isAsciiLetter('`') || isAsciiLetter('{'));
    EXPECT_TRUE(isAsciiBlank(' ') && isAsciiBlank('\t') && isAsciiBlank('\n') && isAsciiBlank('\r'));
    EXPECT_FALSE(isAsciiBlank('\v') || isAsciiBlank('\f'));  // not blanks in XML
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('g'), -1);
    EXPECT_EQ(hexDigitValue('G'), -1);
    EXPECT_EQ(hexDigitValue('/'), -1);
}

TEST(AsciiClasses, BytesOfUtf8SequencesAreNeverLettersOrDigits) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char c = static_cast<char>(byte);
        EXPECT_FALSE(isAsciiLetter(c) || isAsciiDigit(c) || isAsciiBlank(c)) << byte;
        EXPECT_EQ(asciiLower(c), c);
        EXPECT_EQ(asciiUpper(c), c);
        EXPECT_EQ(hexDigitValue(c), -1);
    }
}

TEST(AsciiCase, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(asciiLower("XL/Worksheets/Sheet1.XML"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(asciiUpper("a\xC3\xA9z"), "A\xC3\xA9Z");  // é is left alone
    EXPECT_TRUE(equalsIgnoringAsciiCase("UTF-8", "utf-8"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("utf-8", "utf-8 "));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC3\xA9", "\xC3\x89"));  // é and É differ outside ASCII
    EXPECT_TRUE(startsWithIgnoringAsciiCase("GENERAL;@", "general"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("gen", "general"));
}

}  // namespace
}  // namespace tavlora::base
