#include "base/CharacterCase.h"

#include <gtest/gtest.h>

// The platform's character tables answer the simple mappings alike on every platform: these are
// the cases where a wrong table, a full (one-to-many) mapping or a UTF-16 slip would show.
namespace tavlora::base {
namespace {

TEST(CharacterCase, SimpleMappingsKeepOneCodePoint) {
    EXPECT_EQ(simpleUpperCase(U'a'), U'A');
    EXPECT_EQ(simpleUpperCase(U'\u00E9'), U'\u00C9');  // é
    EXPECT_EQ(simpleUpperCase(U'\u00DF'), U'\u00DF');  // ß has no one-letter capital
    EXPECT_EQ(simpleUpperCase(U'\u03C2'), U'\u03A3');  // final sigma
    EXPECT_EQ(simpleLowerCase(U'\u0130'), U'i');       // İ lowers to i in the simple mapping
    EXPECT_EQ(simpleLowerCase(U'\u0416'), U'\u0436');  // Ж
    EXPECT_EQ(simpleUpperCase(U'1'), U'1');
}

TEST(CharacterCase, CodePointsBeyondTheBasicPlane) {
    EXPECT_EQ(simpleUpperCase(U'\U00010428'), U'\U00010400');  // Deseret small long I
    EXPECT_EQ(simpleLowerCase(U'\U00010400'), U'\U00010428');
    EXPECT_EQ(simpleUpperCase(U'\U0001F600'), U'\U0001F600');
}

TEST(CharacterCase, TitleCaseDiffersForDigraphs) {
    EXPECT_EQ(simpleTitleCase(U'\u01C6'), U'\u01C5');  // dž -> Dž, not DŽ
    EXPECT_EQ(simpleTitleCase(U'\u01F3'), U'\u01F2');
    EXPECT_EQ(simpleTitleCase(U'q'), U'Q');
}

TEST(CharacterCase, LettersAndNonLetters) {
    EXPECT_TRUE(isLetter(U'x'));
    EXPECT_TRUE(isLetter(U'\u00F8'));  // ø
    EXPECT_TRUE(isLetter(U'\u65E5'));  // 日
    EXPECT_FALSE(isLetter(U'7'));
    EXPECT_FALSE(isLetter(U'\''));
    EXPECT_FALSE(isLetter(U' '));
    EXPECT_FALSE(isLetter(char32_t(0xD800)));  // a lone surrogate is no character
}

}  // namespace
}  // namespace tavlora::base
