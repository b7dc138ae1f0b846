#include <gtest/gtest.h>

#include "report/common/NumberPair.h"

namespace tavlora::common::MCommExcel {
namespace {

struct Parsed {
    bool ok;
    int16_t first;
    int16_t second;
    bool operator==(const Parsed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Parsed& p) {
    return out << (p.ok ? "true" : "false") << " (" << p.first << ", " << p.second << ")";
}

Parsed parse(const std::string& text) {
    int16_t first = -99, second = -99;
    bool ok = ParseNumberPair(text, first, second);
    return {ok, first, second};
}

TEST(ParseNumberPairTest, PairsAndSingleNumbers) {
    EXPECT_EQ(parse("3"), (Parsed{true, 3, 0}));
    EXPECT_EQ(parse("3,10"), (Parsed{true, 3, 10}));
    EXPECT_EQ(parse("3,"), (Parsed{true, 3, 0}));
    EXPECT_EQ(parse("-4,+2"), (Parsed{true, -4, 2}));
    EXPECT_EQ(parse("0,0"), (Parsed{true, 0, 0}));
}

TEST(ParseNumberPairTest, BlanksAndFullWidthCommas) {
    EXPECT_EQ(parse("  3 \xEF\xBC\x8C 10  "), (Parsed{true, 3, 10}));
    EXPECT_EQ(parse("3\xEF\xBC\x8C"), (Parsed{true, 3, 0}));
    EXPECT_EQ(parse(" 7 , 8 "), (Parsed{true, 7, 8}));
}

TEST(ParseNumberPairTest, EmptyOrBlankTextKeepsTheDefaults) {
    EXPECT_EQ(parse(""), (Parsed{true, 1, 0}));
    EXPECT_EQ(parse("     "), (Parsed{true, 1, 0}));
}

TEST(ParseNumberPairTest, FractionsRoundHalfToEven) {
    EXPECT_EQ(parse("2.5"), (Parsed{true, 2, 0}));
    EXPECT_EQ(parse("3.5"), (Parsed{true, 4, 0}));
    EXPECT_EQ(parse("1.5,-2.5"), (Parsed{true, 2, -2}));
    EXPECT_EQ(parse("2.51"), (Parsed{true, 3, 0}));
    EXPECT_EQ(parse("1e2"), (Parsed{true, 100, 0}));
}

TEST(ParseNumberPairTest, TextThatIsNotAPairFailsWithTheDefaults) {
    EXPECT_EQ(parse(",5"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("a,5"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("3,b"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("3,4,5"), (Parsed{false, 1, 0})) << "only the first comma splits";
    EXPECT_EQ(parse("3 4"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("3\xEF\xBC\x8C\xEF\xBC\x8C"), (Parsed{false, 1, 0}));
}

TEST(ParseNumberPairTest, SixteenBitBoundsBothWays) {
    EXPECT_EQ(parse("32767,-32768"), (Parsed{true, 32767, -32768}));
    EXPECT_EQ(parse("32767.4"), (Parsed{true, 32767, 0}));
    EXPECT_EQ(parse("-32768.5"), (Parsed{true, -32768, 0})) << "half to even stays in range";
    EXPECT_EQ(parse("32768"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("32767.5"), (Parsed{false, 1, 0})) << "rounds up out of range";
    EXPECT_EQ(parse("-32769"), (Parsed{false, 1, 0}));
    EXPECT_EQ(parse("5,32768"), (Parsed{false, 5, 0})) << "the first number was already read";
    EXPECT_EQ(parse("1e10"), (Parsed{false, 1, 0}));
}

TEST(ParseNumberPairTest, OverlongTextFails) {
    std::string longest = std::string(32766, ' ') + "5";  // the blanks are trimmed away
    EXPECT_EQ(parse(longest), (Parsed{true, 5, 0}));
    std::string zeros = std::string(32766, '0') + "5";
    EXPECT_EQ(parse(zeros), (Parsed{true, 5, 0})) << "exactly 32767 characters";
    EXPECT_EQ(parse("0" + zeros), (Parsed{false, 1, 0}));
}

}  // namespace
}  // namespace tavlora::common::MCommExcel
