#include "data/SqlValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "com/Error.h"

namespace tavlora::data {
namespace {

using com::Variant;

TEST(SqlValuesTest, DecimalsExactAtFourPlacesWithinRangeAreCurrency) {
    EXPECT_EQ(decimalValue("1234.5678"), Variant::currency(12345678));
    EXPECT_EQ(decimalValue("-0.5"), Variant::currency(-5000));
    EXPECT_EQ(decimalValue(".25"), Variant::currency(2500));
    EXPECT_EQ(decimalValue("+7"), Variant::currency(70000));
    EXPECT_EQ(decimalValue("1.500000"), Variant::currency(15000)) << "trailing zeros past the fourth place are exact";
    EXPECT_EQ(decimalValue("0.000000"), Variant::currency(0));
    EXPECT_EQ(decimalValue("922337203685477.5807"), Variant::currency(std::numeric_limits<int64_t>::max()));
    EXPECT_EQ(decimalValue("-922337203685477.5808"), Variant::currency(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(decimalValue("1E+3"), Variant::currency(10000000)) << "Python's Decimal writes exponents";
    EXPECT_EQ(decimalValue("12E-4"), Variant::currency(12));
    EXPECT_EQ(decimalValue("0E-7"), Variant::currency(0));
}

TEST(SqlValuesTest, OtherDecimalsAreTheNearestDouble) {
    EXPECT_EQ(decimalValue("0.00001"), Variant(0.00001)) << "a fifth decimal";
    EXPECT_EQ(decimalValue("922337203685477.5808"), Variant(922337203685477.5808)) << "one past the largest Currency";
    EXPECT_EQ(decimalValue("-922337203685477.5809"), Variant(-922337203685477.5809));
    EXPECT_EQ(decimalValue("1e30"), Variant(1e30));
    EXPECT_EQ(decimalValue("12345678901234567890123"), Variant(12345678901234567890123.0));
    EXPECT_EQ(decimalValue("1e400"), Variant(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(decimalValue("-1e-400"), Variant(-0.0));
    EXPECT_TRUE(std::isnan(decimalValue("NaN").asDouble()));
    EXPECT_EQ(decimalValue("-Infinity"), Variant(-std::numeric_limits<double>::infinity()));
}

TEST(SqlValuesTest, TextThatIsNoNumberIsATypeMismatch) {
    for (const char* text : {"", "-", "1.2.3", "12abc", "1e", "e5", "sNaN"}) {
        try {
            decimalValue(text);
            ADD_FAILURE() << "no error for \"" << text << "\"";
        } catch (const com::Error& e) {
            EXPECT_EQ(e.code(), com::hr::kTypeMismatch) << text;
        }
    }
}

TEST(SqlValuesTest, IntegersAreLongWhenTheyFit32Bits) {
    EXPECT_EQ(integerValue(2147483647), Variant(int32_t{2147483647}));
    EXPECT_EQ(integerValue(-2147483648LL), Variant(int32_t{-2147483647 - 1}));
    EXPECT_EQ(integerValue(2147483648LL), Variant(int64_t{2147483648LL}));
}

TEST(SqlValuesTest, DatesCountFromTheLanguagesDayZero) {
    EXPECT_EQ(dateTimeValue({1899, 12, 30}), Variant::date(0));
    EXPECT_EQ(dateTimeValue({1900, 1, 1, 12}), Variant::date(2.5));
    EXPECT_EQ(dateTimeValue({1899, 12, 29, 6}), Variant::date(-1.25)) << "the time counts forward before day 0";
    EXPECT_DOUBLE_EQ(dateTimeValue({2024, 2, 29, 0, 0, 0, 500'000'000}).asDate().serial, 45351 + 0.5 / 86400);
    EXPECT_EQ(dateTimeValue({9999, 12, 31}), Variant::date(2958465));
    EXPECT_EQ(dateTimeValue({100, 1, 1}), Variant::date(-657434));
}

TEST(SqlValuesTest, DatesADateCannotHoldAreOverflow) {
    const SqlDateTime bad[] = {{99, 12, 31}, {10000, 1, 1}, {2023, 2, 29}, {2024, 13, 1}, {2024, 1, 1, 24}};
    for (const auto& value : bad) {
        try {
            dateTimeValue(value);
            ADD_FAILURE() << "no error for year " << value.year << " month " << value.month << " day " << value.day;
        } catch (const com::Error& e) {
            EXPECT_EQ(e.code(), com::hr::kOverflow);
        }
    }
}

}  // namespace
}  // namespace tavlora::data
