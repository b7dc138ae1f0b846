#include "com/NumberThroughText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "com/Conversions.h"

namespace tavlora::com {
namespace {

// What the answer has to agree with: the value's text, read back.
double readBack(const Variant& value) {
    double number = 0;
    EXPECT_TRUE(parseNumericText(toText(value), number)) << toText(value);
    return number;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectAgreesWithItsText(const Variant& value) {
    if (std::optional<double> number = numberThroughText(value)) {
        EXPECT_TRUE(sameBits(*number, readBack(value))) << toText(value) << " read back differs from " << *number;
    }
}

TEST(NumberThroughText, AnswersForNumbersItsTextShowsWhole) {
    EXPECT_EQ(numberThroughText(Variant(int32_t{42})), 42.0);
    EXPECT_EQ(numberThroughText(Variant(int16_t{-7})), -7.0);
    EXPECT_EQ(numberThroughText(Variant(int64_t{999999999999999})), 999999999999999.0);
    for (double value : {123.25, -0.5, 12.99, 0.1, 1234567.891, 0.0001, 0.3})
        EXPECT_EQ(numberThroughText(Variant(value)), value) << value;
}

// Each of these reads back as another number than the value (or as none), or needs an exponent
// whose form is not this shortcut's to judge: the caller goes through the text.
TEST(NumberThroughText, LeavesTheRestToTheText) {
    for (double value : {0.1 + 0.2, 1.0 / 3.0, 2.0 / 3.0, 1e15, 1e16, 0.00009, 123456789012345.6, 0.0, -0.0,
                         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::denorm_min()})
        EXPECT_FALSE(numberThroughText(Variant(value))) << value;
    EXPECT_FALSE(numberThroughText(Variant(int64_t{1000000000000000})));
    EXPECT_FALSE(numberThroughText(Variant(std::numeric_limits<int64_t>::min())));
    EXPECT_FALSE(numberThroughText(Variant(int32_t{0})));
    EXPECT_FALSE(numberThroughText(Variant(std::string("12"))));
    EXPECT_FALSE(numberThroughText(Variant(true)));
}

TEST(NumberThroughText, EveryAnswerIsWhatTheTextReadsBackAs) {
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<uint64_t> bits;
    std::uniform_int_distribution<int> digits(1, 17);
    std::uniform_int_distribution<int> exponent(-6, 16);
    int answered = 0;
    for (int i = 0; i < 20000; ++i) {
        // Decimal numbers of 1 to 17 digits (as data holds them), and arbitrary bit patterns.
        double decimal = std::floor(static_cast<double>(bits(random) % 100000000000000000ull) /
                                    std::pow(10.0, 17 - digits(random))) *
                         std::pow(10.0, exponent(random) - digits(random));
        // Binary fractions (quarters, halves, 1/1024ths) of up to 17 digits.
        double binary = static_cast<double>(bits(random) % 100000000000000000ull >> digits(random) * 3) /
                        static_cast<double>(1u << digits(random) % 12);
        uint64_t raw = bits(random);
        double arbitrary = 0;
        std::memcpy(&arbitrary, &raw, sizeof arbitrary);
        for (double value : {decimal, -decimal, binary, -binary, arbitrary}) {
            expectAgreesWithItsText(Variant(value));
            answered += numberThroughText(Variant(value)).has_value();
        }
        expectAgreesWithItsText(Variant(static_cast<int64_t>(bits(random) >> digits(random) * 3)));
    }
    EXPECT_GT(answered, 20000);  // the shortcut is taken often enough to matter
}

}  // namespace
}  // namespace tavlora::com
