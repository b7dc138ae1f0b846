#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavlora::base {
namespace {

// The code points a whole text decodes to, and how many of them were replacements for
// ill-formed parts.
struct Decoding {
    std::u32string codePoints;
    int illFormed = 0;
};

Decoding decodeAll(std::string_view text) {
    Decoding result;
    for (size_t at = 0; at < text.size();) {
        Utf8Step step = decodeUtf8At(text, at);
        EXPECT_GE(step.length, 1);
        result.codePoints += step.codePoint;
        if (!step.wellFormed) ++result.illFormed;
        at += step.length;
    }
    return result;
}

std::string encoded(char32_t codePoint) {
    std::string out;
    appendUtf8(out, codePoint);
    return out;
}

TEST(Utf8Decoding, WellFormedBoundariesOfEachLength) {
    struct Case {
        std::string bytes;
        char32_t codePoint;
    };
    const std::vector<Case> cases = {
        {std::string(1, '\0'), 0x0},      {"\x7F", 0x7F},
        {"\xC2\x80", 0x80},               {"\xDF\xBF", 0x7FF},
        {"\xE0\xA0\x80", 0x800},          {"\xED\x9F\xBF", 0xD7FF},  // the last before the surrogates
        {"\xEE\x80\x80", 0xE000},         {"\xEF\xBF\xBF", 0xFFFF},
        {"\xF0\x90\x80\x80", 0x10000},    {"\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    for (const Case& c : cases) {
        Utf8Step step = decodeUtf8At(c.bytes, 0);
        EXPECT_TRUE(step.wellFormed) << testing::PrintToString(c.bytes);
        EXPECT_EQ(step.codePoint, c.codePoint) << testing::PrintToString(c.bytes);
        EXPECT_EQ(step.length, c.bytes.size()) << testing::PrintToString(c.bytes);
        EXPECT_EQ(encoded(c.codePoint), c.bytes);
        EXPECT_TRUE(isValidUtf8(c.bytes));
    }
}

TEST(Utf8Decoding, OverlongFormsSurrogatesAndValuesPastTheLastAreIllFormed) {
    const std::vector<std::string> illFormed = {
        "\xC0\x80",         "\xC1\xBF",          // two-byte overlong
        "\xE0\x80\x80",     "\xE0\x9F\xBF",      // three-byte overlong (U+07FF)
        "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF",  // four-byte overlong (U+FFFF)
        "\xED\xA0\x80",     "\xED\xBF\xBF",      // U+D800 and U+DFFF
        "\xF4\x90\x80\x80",                      // U+110000
        "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE", "\xFF",
        "\x80",             "\xBF",              // a continuation byte alone
        "\xC3",             "\xE2\x82",          // cut short by the end
        "\xF0\x9F\x98",
    };
    for (const std::string& bytes : illFormed) {
        EXPECT_FALSE(isValidUtf8(bytes)) << testing::PrintToString(bytes);
        EXPECT_FALSE(decodeUtf8At(bytes, 0).wellFormed) << testing::PrintToString(bytes);
        EXPECT_EQ(decodeUtf8At(bytes, 0).codePoint, kReplacementCharacter);
        EXPECT_TRUE(isValidUtf8(toValidUtf8(bytes)));
    }
}

TEST(Utf8Decoding, OneReplacementPerMaximalIllFormedPart) {
    // The examples of the Unicode Standard (tables 3-8 to 3-11).
    struct Case {
        std::string bytes;
        std::u32string decoded;
    };
    const char32_t R = kReplacementCharacter;
    const std::vector<Case> cases = {
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {U'a', R, R, R, U'b', R, U'c', R, R, U'd'}},
        {"\xC0\xAF\xE0\x80\xBF\xF0\x81\x82\x41", {R, R, R, R, R, R, R, R, U'A'}},
        {"\xED\xA0\x80\xED\xBF\xBF\xED\xAF\x41", {R, R, R, R, R, R, R, R, U'A'}},
        {"\xF4\x91\x92\x93\xFF\x41\x80\xBF\x42", {R, R, R, R, R, U'A', R, R, U'B'}},
        {"\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", {R, R, R, R, U'A'}},
    };
    for (const Case& c : cases) {
        Decoding d = decodeAll(c.bytes);
        EXPECT_EQ(d.codePoints, c.decoded) << testing::PrintToString(c.bytes);
        EXPECT_EQ(decodeUtf8(c.bytes), c.decoded);
        std::string repaired;
        for (char32_t cp : c.decoded) appendUtf8(repaired, cp);
        EXPECT_EQ(toValidUtf8(c.bytes), repaired);
    }
    // A genuine U+FFFD in the text is well-formed.
    EXPECT_EQ(decodeAll("\xEF\xBF\xBD").illFormed, 0);
    EXPECT_EQ(decodeAll("\xE0\x80").illFormed, 2);  // E0 cannot go on with 80: two parts
    EXPECT_EQ(decodeAll("\xE1\x80").illFormed, 1);  // E1 80 could have: one part
}

TEST(Utf8Decoding, NeverReadsPastTheEnd) {
    // Each view ends inside a sequence whose next byte would complete it.
    const std::string whole = "\xF0\x9F\x98\x80";
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        std::string_view part(whole.data(), cut);
        Utf8Step step = decodeUtf8At(part, 0);
        EXPECT_FALSE(step.wellFormed);
        EXPECT_EQ(step.length, cut);
    }
}

TEST(Utf8Decoding, EveryScalarValueRoundTrips) {
    std::string bytes;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp == 0xD800) cp = 0xE000;
        bytes.clear();
        appendUtf8(bytes, cp);
        Utf8Step step = decodeUtf8At(bytes, 0);
        if (!step.wellFormed || step.codePoint != cp || step.length != bytes.size()) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(cp);
            break;
        }
    }
}

TEST(Utf8Encoding, WhatIsNoScalarValueBecomesTheReplacementCharacter) {
    EXPECT_EQ(encoded(0xD800), kReplacementUtf8);
    EXPECT_EQ(encoded(0xDFFF), kReplacementUtf8);
    EXPECT_EQ(encoded(0x110000), kReplacementUtf8);
    EXPECT_EQ(encoded(0xFFFFFFFF), kReplacementUtf8);
    EXPECT_EQ(encoded(0xFFFD), kReplacementUtf8);
}

TEST(Utf8Repair, WellFormedTextStaysAsItIs) {
    const std::string text = "Kunde \xC3\xA9 \xE5\xAE\xA2 \xF0\x9F\x98\x80 end";
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(toValidUtf8(text), text);
    std::string out = "x";
    appendValidUtf8(out, "a\xFF" "b");
    EXPECT_EQ(out, "xa\xEF\xBF\xBD" "b");
    std::string embeddedNull("a\0b", 3);
    EXPECT_EQ(toValidUtf8(embeddedNull), embeddedNull);
}

TEST(Utf8Repair, OneCharacterAtATime) {
    const std::string text = "a\xC3\xA9\xE2\x82" "b";
    std::string out;
    size_t at = 0;
    std::vector<size_t> lengths;
    while (at < text.size()) {
        size_t length = appendValidUtf8At(out, text, at);
        lengths.push_back(length);
        at += length;
    }
    EXPECT_EQ(out, "a\xC3\xA9\xEF\xBF\xBD" "b");
    EXPECT_EQ(lengths, (std::vector<size_t>{1, 2, 2, 1}));
}

TEST(Utf8Decoding, DecodingIntoABufferReplacesItsContents) {
    std::u32string buffer = U"old contents";
    decodeUtf8("n\xC3\xA9", buffer);
    EXPECT_EQ(buffer, U"n\u00E9");
    size_t at = 0;
    EXPECT_EQ(nextCodePoint("\xE2\x82\xAC!", at), U'\u20AC');
    EXPECT_EQ(at, 3u);
    EXPECT_EQ(nextCodePoint("\xE2\x82\xAC!", at), U'!');
    EXPECT_EQ(at, 4u);
}

TEST(Utf16Length, CountsCodeUnits) {
    EXPECT_EQ(utf16Length(""), 0);
    EXPECT_EQ(utf16Length("abc"), 3);
    EXPECT_EQ(utf16Length("\xC3\xA9"), 1);                      // é
    EXPECT_EQ(utf16Length("\xE5\xAE\x8B"), 1);                  // CJK
    EXPECT_EQ(utf16Length("\xEF\xBF\xBF"), 1);                  // U+FFFF, the last of the BMP
    EXPECT_EQ(utf16Length("\xF0\x90\x80\x80"), 2);              // U+10000: a surrogate pair
    EXPECT_EQ(utf16Length("a\xF0\x9F\x98\x80" "b"), 4);
    EXPECT_EQ(utf16Length("\xFF\xFE"), 2);                      // two ill-formed parts, two U+FFFD
    EXPECT_EQ(utf16Length("\xF0\x9F\x98"), 1);                  // a cut-short pair is one U+FFFD
}

}  // namespace
}  // namespace tavlora::base
