#include <gtest/gtest.h>

#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula {
namespace {

std::optional<double> read(std::string_view text) { return numberFromText(text, false); }

TEST(ValueCoercionTest, TypedNumbersReadWithTheirDecorations) {
    EXPECT_EQ(read(" 12 "), 12);
    EXPECT_EQ(read("1,234,567.5"), 1234567.5);
    EXPECT_EQ(read("$1,000"), 1000);
    EXPECT_EQ(read("-$5"), -5);
    EXPECT_EQ(read("$-5"), -5);
    EXPECT_EQ(read("(42)"), -42);
    EXPECT_EQ(read("50%"), 0.5);
    EXPECT_EQ(read("1.5E+3"), 1500);
    EXPECT_EQ(read(".5"), 0.5);
    EXPECT_EQ(read("+7"), 7);
    // Separators need three digits after them; numbers beyond the double range are not numbers.
    EXPECT_FALSE(read("1,00"));
    EXPECT_FALSE(read("1e999"));
    EXPECT_FALSE(read(""));
    EXPECT_FALSE(read("12abc"));
    EXPECT_FALSE(read("(5"));
    EXPECT_FALSE(read("--5"));
    EXPECT_FALSE(read("1e"));
}

TEST(ValueCoercionTest, DatesAndTimesReadAsSerials) {
    EXPECT_EQ(read("2024-01-15"), 45306);
    EXPECT_EQ(read("1/15/2024"), 45306);
    EXPECT_EQ(read("15-Jan-2024"), 45306);
    EXPECT_EQ(read("Jan 15, 2024"), 45306);
    EXPECT_EQ(read("15 January 2024"), 45306);
    EXPECT_EQ(read("1/15/24"), 45306);
    EXPECT_EQ(read("1900-02-29"), 60);  // the day the 1900 system counts
    EXPECT_EQ(read("1900-03-01"), 61);
    EXPECT_DOUBLE_EQ(*read("12:30"), 0.5 + 1.0 / 48);
    EXPECT_DOUBLE_EQ(*read("1:30 PM"), 13.5 / 24);
    EXPECT_DOUBLE_EQ(*read("12 am"), 0);
    EXPECT_DOUBLE_EQ(*read("2024-01-15 06:00"), 45306.25);
    EXPECT_EQ(numberFromText("2024-01-15", true), 45306 - 1462);
    EXPECT_FALSE(read("2023-02-29"));
    EXPECT_FALSE(read("13/1/2024"));
    EXPECT_FALSE(read("12:60"));
    EXPECT_FALSE(read("13 PM"));
    EXPECT_FALSE(read("Foo 1, 2024"));
    EXPECT_FALSE(dateTimeFromText("12", false));
}

TEST(ValueCoercionTest, ConversionsFollowTheKindsRules) {
    EXPECT_EQ(toNumber(Value::text(" 3 "), false).number, 3);
    EXPECT_EQ(toNumber(Value::text("abc"), false).error, ErrorValue::Value);
    EXPECT_EQ(toNumber(Value::boolean(true), false).number, 1);
    EXPECT_EQ(toNumber(Value(), false).number, 0);
    EXPECT_EQ(toNumber(Value::error(ErrorValue::NA), false).error, ErrorValue::NA);
    EXPECT_EQ(toNumber(Value::reference({0, Area::cell(1, 1)}), false).error, ErrorValue::Value);

    EXPECT_EQ(toText(Value::number(1.0 / 3)).text, "0.333333333333333");
    EXPECT_EQ(toText(Value::number(1e21)).text, "1E+21");
    EXPECT_EQ(toText(Value::boolean(false)).text, "FALSE");
    EXPECT_EQ(toText(Value::error(ErrorValue::Div0)).error, ErrorValue::Div0);

    EXPECT_TRUE(toBoolean(Value::text("true")).boolean);
    EXPECT_EQ(toBoolean(Value::text("yes")).error, ErrorValue::Value);
    EXPECT_TRUE(toBoolean(Value::number(-0.1)).boolean);
    EXPECT_FALSE(toBoolean(Value()).boolean);
}

TEST(ValueCoercionTest, ComparisonOrdersNumbersTextsBooleans) {
    EXPECT_LT(compareValues(Value::number(1e300), Value::text("")), 0);
    EXPECT_LT(compareValues(Value::text("zzz"), Value::boolean(false)), 0);
    EXPECT_EQ(compareValues(Value::text("Apple"), Value::text("aPPLE")), 0);
    EXPECT_LT(compareValues(Value::text("apple"), Value::text("Banana")), 0);
    EXPECT_EQ(compareValues(Value(), Value::number(0)), 0);
    EXPECT_EQ(compareValues(Value::text(""), Value()), 0);
    EXPECT_EQ(compareValues(Value(), Value::boolean(false)), 0);
    EXPECT_LT(compareValues(Value(), Value::number(0.5)), 0);
    EXPECT_EQ(compareValues(Value::text("\xC3\xA9t\xC3\xA9"), Value::text("\xC3\x89T\xC3\x89")), 0);
}

TEST(ValueCoercionTest, SignificantDigitsHideBinaryNoise) {
    EXPECT_EQ(roundToSignificant15(0.1 + 0.2), 0.3);
    // Rounding is relative: a tiny value keeps its magnitude (cancelling is the operators' business).
    EXPECT_NEAR(roundToSignificant15(0.1 + 0.2 - 0.3), 5.55111512312578e-17, 1e-30);
    EXPECT_EQ(roundToSignificant15(123456789012345678.0), 123456789012346000.0);
    EXPECT_EQ(roundToSignificant15(-2.5), -2.5);
}

bool matches(const Value& criterion, const Value& cell) { return Criterion(criterion, false).matches(cell); }

TEST(CriterionTest, NumbersAndOperators) {
    EXPECT_TRUE(matches(Value::number(5), Value::number(5)));
    EXPECT_TRUE(matches(Value::number(5), Value::text("5")));  // a number stored as text
    EXPECT_FALSE(matches(Value::number(0), Value()));
    EXPECT_TRUE(matches(Value(), Value::number(0)));  // an empty criterion cell means 0
    EXPECT_TRUE(matches(Value::text(">=10"), Value::number(10)));
    EXPECT_FALSE(matches(Value::text(">=10"), Value::text("20")));
    EXPECT_FALSE(matches(Value::text("<5"), Value()));
    EXPECT_TRUE(matches(Value::text("<>5"), Value()));
    EXPECT_TRUE(matches(Value::text("<>5"), Value::text("x")));
    EXPECT_TRUE(matches(Value::text(">2024-01-01"), Value::number(45306)));
    EXPECT_TRUE(matches(Value::text("=1,000"), Value::number(1000)));
}

TEST(CriterionTest, TextsWithWildcardsAndEmptiness) {
    EXPECT_TRUE(matches(Value::text("app*"), Value::text("APPLE pie")));
    EXPECT_FALSE(matches(Value::text("app*"), Value::text("pineapple")));
    EXPECT_TRUE(matches(Value::text("a~*b"), Value::text("a*b")));
    EXPECT_FALSE(matches(Value::text("a~*b"), Value::text("axb")));
    EXPECT_TRUE(matches(Value::text("<>app*"), Value()));
    EXPECT_FALSE(matches(Value::text("<>app*"), Value::text("apple")));
    EXPECT_TRUE(matches(Value::text(">b"), Value::text("Cherry")));
    EXPECT_FALSE(matches(Value::text(">b"), Value::number(5)));
    EXPECT_TRUE(matches(Value::text(""), Value()));
    EXPECT_TRUE(matches(Value::text(""), Value::text("")));
    EXPECT_TRUE(matches(Value::text("="), Value()));
    EXPECT_FALSE(matches(Value::text("="), Value::text("")));
    EXPECT_TRUE(matches(Value::text("<>"), Value::text("")));
    EXPECT_FALSE(matches(Value::text("<>"), Value()));
    EXPECT_TRUE(matches(Value::text("true"), Value::boolean(true)));
    EXPECT_TRUE(matches(Value::text("#N/A"), Value::error(ErrorValue::NA)));
    EXPECT_FALSE(matches(Value::text("#N/A"), Value::text("#N/A")));
}

}  // namespace
}  // namespace tavlora::host::formula
