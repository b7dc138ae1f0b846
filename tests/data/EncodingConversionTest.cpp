#include "data/EncodingConversion.h"

#include <gtest/gtest.h>

#include <string>

// The conversions XML loading relies on, which both platforms' converters must agree on.
namespace tavlora::data {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(EncodingConversion, WideEncodingsBothByteOrders) {
    // "é" and U+1F600 (a surrogate pair in UTF-16).
    EXPECT_EQ(convertToUtf8(bytes({0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), "UTF-16LE"), "\u00E9\U0001F600");
    EXPECT_EQ(convertToUtf8(bytes({0x00, 0xE9, 0xD8, 0x3D, 0xDE, 0x00}), "UTF-16BE"), "\u00E9\U0001F600");
    EXPECT_EQ(convertToUtf8(bytes({0x00, 0xF6, 0x01, 0x00}), "UTF-32LE"), "\U0001F600");
    EXPECT_EQ(convertToUtf8(bytes({0x00, 0x01, 0xF6, 0x00}), "UTF-32BE"), "\U0001F600");
}

TEST(EncodingConversion, IllFormedWideTextIsRefused) {
    EXPECT_FALSE(convertToUtf8(bytes({0x3D, 0xD8, 0x41, 0x00}), "UTF-16LE"));  // high surrogate, then 'A'
    EXPECT_FALSE(convertToUtf8(bytes({0x41, 0x00, 0x42}), "UTF-16LE"));        // half a unit at the end
    EXPECT_FALSE(convertToUtf8(bytes({0x00, 0x00, 0x11, 0x00}), "UTF-32LE"));  // beyond U+10FFFF
}

TEST(EncodingConversion, ByteEncodingsByTheirNames) {
    EXPECT_EQ(convertToUtf8("caf\xE9", "ISO-8859-1"), "caf\u00E9");
    EXPECT_EQ(convertToUtf8("caf\xE9", "iso-8859-1"), "caf\u00E9");
    EXPECT_EQ(convertToUtf8("\x80", "windows-1252"), "\u20AC");
    EXPECT_EQ(convertToUtf8(bytes({0x93, 0xFA, 0x96, 0x7B}), "Shift_JIS"), "\u65E5\u672C");  // 日本
}

TEST(EncodingConversion, UnknownNamesAndBadBytesGiveNothing) {
    EXPECT_FALSE(convertToUtf8("abc", "no-such-encoding"));
    EXPECT_FALSE(convertToUtf8(bytes({0x93}), "Shift_JIS"));  // a lead byte without its trail
}

}  // namespace
}  // namespace tavlora::data
