#include "com/Conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "com/ShortDecimalText.h"
#include "support/ComErrorMatchers.h"

namespace tavlora::com {
namespace {

// ---- Numbers to text ---------------------------------------------------------------------------

TEST(GeneralNumber, KeepsAtMostFifteenSignificantDigits) {
    EXPECT_EQ(formatGeneralNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatGeneralNumber(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(formatGeneralNumber(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(formatGeneralNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(formatGeneralNumber(1234567.891), "1234567.891");
    EXPECT_EQ(formatGeneralNumber(-2.5), "-2.5");
    EXPECT_EQ(formatGeneralNumber(3), "3");
    EXPECT_EQ(formatGeneralNumber(100), "100");
}

TEST(GeneralNumber, UsesExponentsOnlyWhereTheMagnitudeNeedsThem) {
    EXPECT_EQ(formatGeneralNumber(1e16), "1E+16");
    EXPECT_EQ(formatGeneralNumber(1e15), "1E+15");
    EXPECT_EQ(formatGeneralNumber(999999999999999.0), "999999999999999");
    EXPECT_EQ(formatGeneralNumber(9999999999999999.0), "1E+16");  // rounds up to the next power
    EXPECT_EQ(formatGeneralNumber(123456789012345678.0), "1.23456789012346E+17");
    EXPECT_EQ(formatGeneralNumber(-1.5e300), "-1.5E+300");
    EXPECT_EQ(formatGeneralNumber(1.5e-10), "1.5E-10");
    EXPECT_EQ(formatGeneralNumber(0.0001), "0.0001");
    EXPECT_EQ(formatGeneralNumber(0.00001), "1E-05");
    EXPECT_EQ(formatGeneralNumber(-0.000123), "-0.000123");
    EXPECT_EQ(formatGeneralNumber(5e-324), "4.94065645841247E-324");
}

// The short way for counts, amounts and prices must give the characters the fifteen-digit rounding
// gives: checked against printf's %.15g (the same digits and the same choice of the fixed form).
TEST(GeneralNumber, SameAsFifteenDigitRounding) {
    std::mt19937_64 random(20261209);
    int compared = 0;
    auto check = [&](double v) {
        if (v == 0) return;  // no sign on zero (below)
        char reference[64];
        char* end = std::to_chars(reference, reference + sizeof reference, v, std::chars_format::general, 15).ptr;
        if (std::find(reference, end, 'e') != end) return;  // the exponent forms are spelled differently
        ++compared;
        ASSERT_EQ(formatGeneralNumber(v), std::string(reference, end)) << "for " << std::string(reference, end);
    };
    // Numbers of one to eight decimals at every magnitude around the short way's limits (1e9, 2^32).
    for (int decimals = 1; decimals <= 8; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        for (double top : {1.0, 10.0, 1e3, 1e6, 1e9, 4294967296.0, 1e12}) {
            std::uniform_int_distribution<int64_t> digits(0, static_cast<int64_t>(std::min(top * scale, 4e18)));
            for (int i = 0; i < 3000; ++i) {
                const double v = static_cast<double>(digits(random)) / scale;
                for (double w : {v, -v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)}) check(w);
            }
        }
    }
    // Whole numbers up to and past 1e15, and products of prices and quantities.
    std::uniform_int_distribution<int64_t> whole(0, 4000000000000000);
    std::uniform_int_distribution<int> cents(1, 1000000);
    for (int i = 0; i < 20000; ++i) {
        check(static_cast<double>(whole(random) >> (i % 40)));
        check(cents(random) / 100.0 * (cents(random) % 97 + 1));
    }
    EXPECT_GT(compared, 300000);
}

// The short general text written into a buffer (column fitting) is the general text itself, and
// it declines what needs the general way rather than writing something else.
TEST(GeneralNumber, ShortFormInABufferIsTheGeneralTextOrNothing) {
    std::mt19937_64 random(20261210);
    std::uniform_int_distribution<int64_t> digits(0, 99999999999);
    std::uniform_int_distribution<int> decimals(0, 9);
    int written = 0;
    for (int i = 0; i < 50000; ++i) {
        const double v = static_cast<double>(digits(random)) / std::pow(10.0, decimals(random));
        for (double w : {v, -v}) {
            char buffer[kShortDecimalCapacity];
            const size_t length = formatShortGeneralNumber(w, buffer);
            if (length == 0) continue;
            ++written;
            ASSERT_EQ(std::string(buffer, length), formatGeneralNumber(w)) << formatRoundTripNumber(w);
        }
    }
    EXPECT_GT(written, 50000);
    char buffer[kShortDecimalCapacity];
    for (double kept : {0.0, -0.0, 7.0, -999999999999999.0, 12.5, -0.75, 123456789.125})
        EXPECT_EQ(std::string(buffer, formatShortGeneralNumber(kept, buffer)), formatGeneralNumber(kept)) << kept;
    for (double declined : {1e15, 1234567890.5, 1e-7, 0.1 + 0.2, 1.0 / 3, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()})
        EXPECT_EQ(formatShortGeneralNumber(declined, buffer), 0u) << declined;
}

TEST(GeneralNumber, ZeroHasNoSign) {
    EXPECT_EQ(formatGeneralNumber(0.0), "0");
    EXPECT_EQ(formatGeneralNumber(-0.0), "0");
}

TEST(GeneralNumber, NonFiniteValuesDoNotCrash) {
    EXPECT_EQ(formatGeneralNumber(std::numeric_limits<double>::infinity()), "1.#INF");
    EXPECT_EQ(formatGeneralNumber(-std::numeric_limits<double>::infinity()), "-1.#INF");
    EXPECT_EQ(formatGeneralNumber(std::nan("")), "1.#QNAN");
}

TEST(RoundTripNumber, IsTheShortestTextThatReadsBackTheSame) {
    EXPECT_EQ(formatRoundTripNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(formatRoundTripNumber(0.1), "0.1");
    EXPECT_EQ(formatRoundTripNumber(-0.0), "0");
    EXPECT_EQ(formatRoundTripNumber(42), "42");
    for (double value : {1.0 / 3.0, 1e-300, 123456789.123456789, -7.25e22}) {
        double back = 0;
        ASSERT_TRUE(parseNumericText(formatRoundTripNumber(value), back)) << value;
        EXPECT_EQ(back, value);
    }
}

// ---- Any value to text -------------------------------------------------------------------------

TEST(ToText, ConvertsEachTypeAsTheLanguageDoes) {
    EXPECT_EQ(toText(Variant()), "");
    EXPECT_EQ(toText(Variant(true)), "True");
    EXPECT_EQ(toText(Variant(false)), "False");
    EXPECT_EQ(toText(Variant(int16_t{-32768})), "-32768");
    EXPECT_EQ(toText(Variant(int64_t{INT64_MIN})), "-9223372036854775808");
    EXPECT_EQ(toText(Variant(0.1 + 0.2)), "0.3");
    EXPECT_EQ(toText(Variant("text")), "text");
    EXPECT_EQ(toText(Variant::error(hr::kTypeMismatch)), "Error 13");
}

TEST(ToText, CurrencyHasUpToFourDecimals) {
    EXPECT_EQ(toText(Variant::currency(12345)), "1.2345");
    EXPECT_EQ(toText(Variant::currency(10000)), "1");
    EXPECT_EQ(toText(Variant::currency(-5000)), "-0.5");
    EXPECT_EQ(toText(Variant::currency(1)), "0.0001");
    EXPECT_EQ(toText(Variant::currency(INT64_MIN)), "-922337203685477.5808");
}

TEST(ToText, DatesCountFrom1899_12_30) {
    EXPECT_EQ(toText(Variant::date(0)), "1899-12-30");
    EXPECT_EQ(toText(Variant::date(1)), "1899-12-31");
    EXPECT_EQ(toText(Variant::date(2)), "1900-01-01");
    EXPECT_EQ(toText(Variant::date(60)), "1900-02-28");
    EXPECT_EQ(toText(Variant::date(45366.75)), "2024-03-15 18:00:00");
    EXPECT_EQ(toText(Variant::date(36586)), "2000-03-01");
    EXPECT_EQ(toText(Variant::date(2958465)), "9999-12-31");
    EXPECT_EQ(toText(Variant::date(-657434)), "0100-01-01");
}

TEST(ToText, NegativeDateSerialsKeepTheTimeOfDayAsAPositiveFraction) {
    EXPECT_EQ(toText(Variant::date(-1)), "1899-12-29");
    EXPECT_EQ(toText(Variant::date(-1.25)), "1899-12-29 06:00:00");
    EXPECT_EQ(toText(Variant::date(-0.5)), "1899-12-30 12:00:00");
}

TEST(ToText, TimeRoundsToTheSecondAndCarriesIntoTheNextDay) {
    EXPECT_EQ(toText(Variant::date(1.0 + 1.0 / 86400 * 0.6)), "1899-12-31 00:00:01");
    EXPECT_EQ(toText(Variant::date(1.9999999999)), "1900-01-01");
}

TEST(ToText, ErrorsOfTheLanguage) {
    EXPECT_COM_ERROR(toText(Variant::null()), hr::kInvalidUseOfNull);
    EXPECT_COM_ERROR(toText(Variant::array({})), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toText(Variant(ObjectPtr{})), hr::kObjectNotSet);
    EXPECT_COM_ERROR(toText(Variant::date(3e6)), hr::kOverflow);
    EXPECT_COM_ERROR(toText(Variant::date(std::nan(""))), hr::kOverflow);
}

TEST(ToTextOrEmpty, GivesEmptyTextForNullAndErrors) {
    EXPECT_EQ(toTextOrEmpty(Variant::null()), "");
    EXPECT_EQ(toTextOrEmpty(Variant::missing()), "");
    EXPECT_EQ(toTextOrEmpty(Variant(2.5)), "2.5");
}

// ---- Rounding to integers ----------------------------------------------------------------------

TEST(RoundToInteger, RoundsHalfToEvenBothWays) {
    EXPECT_EQ(roundToInt16(0.5), 0);
    EXPECT_EQ(roundToInt16(1.5), 2);
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    EXPECT_EQ(roundToInt16(-0.5), 0);
    EXPECT_EQ(roundToInt16(-1.5), -2);
    EXPECT_EQ(roundToInt16(-2.5), -2);
    EXPECT_EQ(roundToInt16(2.5000001), 3);
    EXPECT_EQ(roundToInt16(-2.4999999), -2);
    EXPECT_EQ(roundToInt32(2147483646.5), 2147483646);
    EXPECT_EQ(roundToInt32(-2147483648.5), INT32_MIN);
}

TEST(RoundToInteger, OverflowsJustOutsideTheRange) {
    EXPECT_EQ(roundToInt16(32767.4), 32767);
    EXPECT_COM_ERROR(roundToInt16(32767.5), hr::kOverflow);
    EXPECT_EQ(roundToInt16(-32768.5), -32768);
    EXPECT_COM_ERROR(roundToInt16(-32769.5), hr::kOverflow);
    EXPECT_COM_ERROR(roundToInt32(2147483647.5), hr::kOverflow);
    EXPECT_COM_ERROR(roundToInt16(std::nan("")), hr::kOverflow);
    EXPECT_COM_ERROR(roundToInt16(std::numeric_limits<double>::infinity()), hr::kOverflow);
}

TEST(NarrowToInt16, AcceptsExactlyTheSixteenBitRange) {
    EXPECT_EQ(narrowToInt16(32767), 32767);
    EXPECT_EQ(narrowToInt16(-32768), -32768);
    EXPECT_COM_ERROR(narrowToInt16(32768), hr::kOverflow);
    EXPECT_COM_ERROR(narrowToInt16(-32769), hr::kOverflow);
}

TEST(ToInt16, ConvertsTextsAndOtherTypes) {
    EXPECT_EQ(toInt16(Variant(" 12 ")), 12);
    EXPECT_EQ(toInt16(Variant("1e3")), 1000);
    EXPECT_EQ(toInt16(Variant("2.5")), 2);
    EXPECT_EQ(toInt16(Variant("-3.5")), -4);
    EXPECT_EQ(toInt16(Variant()), 0);
    EXPECT_EQ(toInt16(Variant(true)), -1);
    EXPECT_EQ(toInt16(Variant::currency(25000)), 2);   // 2.5
    EXPECT_EQ(toInt16(Variant::currency(35000)), 4);   // 3.5
    EXPECT_EQ(toInt16(Variant::currency(-25001)), -3);
    EXPECT_EQ(toInt16(Variant::date(3.5)), 4);
}

TEST(ToInt16, Errors) {
    EXPECT_COM_ERROR(toInt16(Variant("abc")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toInt16(Variant("")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toInt16(Variant("32768")), hr::kOverflow);
    EXPECT_COM_ERROR(toInt16(Variant(40000)), hr::kOverflow);
    EXPECT_COM_ERROR(toInt16(Variant::null()), hr::kInvalidUseOfNull);
    EXPECT_COM_ERROR(toInt16(Variant::error(5)), hr::kTypeMismatch);
}

// The message names the value's type in the language's words, or quotes the text.
TEST(Conversions, TypeMismatchMessagesNameTheValuesType) {
    using test::expectComError;
    expectComError([] { toText(Variant::array({})); }, hr::kTypeMismatch,
                   "Type mismatch: a value of type Array cannot be converted to String");
    expectComError([] { toInt16(Variant::error(5)); }, hr::kTypeMismatch,
                   "Type mismatch: a value of type Error cannot be converted to Integer");
    expectComError([] { toDouble(Variant::array({})); }, hr::kTypeMismatch,
                   "Type mismatch: a value of type Array cannot be converted to a number");
    expectComError([] { toInt32(Variant("12x")); }, hr::kTypeMismatch,
                   "Type mismatch: the text \"12x\" cannot be converted to Long");
}

TEST(ToInt32AndInt64, CoverTheirWholeRanges) {
    EXPECT_EQ(toInt32(Variant("2147483647")), INT32_MAX);
    EXPECT_COM_ERROR(toInt32(Variant(int64_t{2147483648})), hr::kOverflow);
    EXPECT_EQ(toInt64(Variant(int64_t{INT64_MIN})), INT64_MIN);
    EXPECT_EQ(toInt64(Variant(-9223372036854775808.0)), INT64_MIN);
    EXPECT_COM_ERROR(toInt64(Variant(9223372036854775808.0)), hr::kOverflow);
    EXPECT_EQ(toInt64(Variant::currency(INT64_MAX)), 922337203685478);
}

// ---- Other conversions -------------------------------------------------------------------------

TEST(ToDouble, ConvertsNumbersTextsAndBooleans) {
    EXPECT_EQ(toDouble(Variant("  -1.5E+2 ")), -150);
    EXPECT_EQ(toDouble(Variant(".5")), 0.5);
    EXPECT_EQ(toDouble(Variant("+7.")), 7);
    EXPECT_EQ(toDouble(Variant(true)), -1);
    EXPECT_EQ(toDouble(Variant::currency(15)), 0.0015);
    EXPECT_EQ(toDouble(Variant::date(2.25)), 2.25);
    EXPECT_EQ(toDouble(Variant("1e-400")), 0);
    EXPECT_COM_ERROR(toDouble(Variant("1e400")), hr::kOverflow);
    EXPECT_COM_ERROR(toDouble(Variant("12abc")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toDouble(Variant::null()), hr::kInvalidUseOfNull);
}

TEST(ToBool, AcceptsWordsAndNumbers) {
    EXPECT_TRUE(toBool(Variant("true")));
    EXPECT_TRUE(toBool(Variant(" TRUE ")));
    EXPECT_FALSE(toBool(Variant("False")));
    EXPECT_TRUE(toBool(Variant("-2")));
    EXPECT_FALSE(toBool(Variant("0.0")));
    EXPECT_TRUE(toBool(Variant(0.1)));
    EXPECT_FALSE(toBool(Variant()));
    EXPECT_COM_ERROR(toBool(Variant("yes")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toBool(Variant::null()), hr::kInvalidUseOfNull);
}

TEST(ToCurrency, RoundsToFourDecimalsAndChecksTheRange) {
    EXPECT_EQ(toCurrencyScaled(Variant(1.23456)), 12346);
    EXPECT_EQ(toCurrencyScaled(Variant(int16_t{-3})), -30000);
    EXPECT_EQ(toCurrencyScaled(Variant("2.5")), 25000);
    EXPECT_COM_ERROR(toCurrencyScaled(Variant(int64_t{INT64_MAX})), hr::kOverflow);
    EXPECT_COM_ERROR(toCurrencyScaled(Variant(1e15)), hr::kOverflow);
}

TEST(ToDate, ReadsDateTextsAndChecksTheRange) {
    EXPECT_EQ(toDateSerial(Variant("2024-03-15")), 45366);
    EXPECT_EQ(toDateSerial(Variant(" 2024-03-15 18:00 ")), 45366.75);
    EXPECT_EQ(toDateSerial(Variant("1899-12-29 06:00:00")), -1.25);
    EXPECT_EQ(toDateSerial(Variant(2.5)), 2.5);
    EXPECT_COM_ERROR(toDateSerial(Variant("2023-02-29")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toDateSerial(Variant("2024-03-15 24:00")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toDateSerial(Variant("15.3.2024")), hr::kTypeMismatch);
    EXPECT_COM_ERROR(toDateSerial(Variant(1e7)), hr::kOverflow);
}

// ---- Numeric text ------------------------------------------------------------------------------

TEST(IsNumericText, AcceptsBlanksSignDigitsPointAndExponent) {
    for (const char* text : {"0", "12", " 12 ", "-1", "+1", "1.", ".5", "-.5", "1.5e3", "1E+3", "1e-3",
                             "007", "  1.25E-10  ", "123456789012345678901234567890"}) {
        EXPECT_TRUE(isNumericText(text)) << '"' << text << '"';
    }
}

TEST(IsNumericText, RejectsEverythingElse) {
    for (const char* text : {"", " ", ".", "-", "+-1", "1e", "1e+", "e3", "1.2.3", "1 2", "abc", "12abc",
                             "- 1", "1,000", "inf", "nan", "0x10", "&H10", "\t1", "1d3", "\xEF\xBC\x91"}) {
        EXPECT_FALSE(isNumericText(text)) << '"' << text << '"';
    }
}

TEST(ParseNumericText, LeavesTheOutputAloneWhenTheTextIsNotNumeric) {
    double value = 42;
    EXPECT_FALSE(parseNumericText("abc", value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(parseNumericText("-0", value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(parseNumericText("0.000e999999999999", value));
    EXPECT_EQ(value, 0);
}

}  // namespace
}  // namespace tavlora::com
