#include <gtest/gtest.h>

#include "FunctionCalls.h"

namespace tavlora::host::formula::familytest {
namespace {

class DateFunctions : public ::testing::Test {
protected:
    Value f(std::string_view name, std::vector<Value> args) { return call(grid, name, std::move(args)); }
    double date(int y, int m, int d) { return f("DATE", {num(y), num(m), num(d)}).asNumber(); }
    GridContext grid;
};

TEST_F(DateFunctions, DateKeepsTheLeapDayOf1900) {
    EXPECT_EQ(f("DATE", {num(1900), num(1), num(1)}), num(1));
    EXPECT_EQ(f("DATE", {num(1900), num(2), num(28)}), num(59));
    EXPECT_EQ(f("DATE", {num(1900), num(2), num(29)}), num(60));
    EXPECT_EQ(f("DATE", {num(1900), num(3), num(1)}), num(61));
    EXPECT_EQ(f("DATE", {num(2024), num(1), num(15)}), num(45306));
    EXPECT_EQ(f("YEAR", {num(60)}), num(1900));
    EXPECT_EQ(f("MONTH", {num(60)}), num(2));
    EXPECT_EQ(f("DAY", {num(60)}), num(29));
    EXPECT_EQ(f("DAY", {num(0)}), num(0));
    EXPECT_EQ(f("MONTH", {num(0)}), num(1));
}

TEST_F(DateFunctions, DateRollsAndRangeErrors) {
    EXPECT_EQ(f("DATE", {num(24), num(1), num(1)}), num(date(1924, 1, 1)));
    EXPECT_EQ(f("DATE", {num(2024), num(14), num(1)}), num(date(2025, 2, 1)));
    EXPECT_EQ(f("DATE", {num(2024), num(0), num(1)}), num(date(2023, 12, 1)));
    EXPECT_EQ(f("DATE", {num(2024), num(-13), num(1)}), num(date(2022, 11, 1)));
    EXPECT_EQ(f("DATE", {num(2024), num(3), num(0)}), num(date(2024, 2, 29)));
    EXPECT_EQ(f("DATE", {num(1900), num(1), num(0)}), num(0));
    EXPECT_EQ(f("DATE", {num(1900), num(0), num(31)}), num(0));
    EXPECT_EQ(f("DATE", {num(1900), num(0), num(30)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATE", {num(2024), num(1), num(-30)}), num(date(2023, 12, 1)));
    EXPECT_EQ(f("DATE", {num(-1), num(1), num(1)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATE", {num(10000), num(1), num(1)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATE", {num(1900), num(1), num(-1)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATE", {num(9999), num(12), num(32)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATE", {txt("x"), num(1), num(1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("YEAR", {num(-1)}), err(ErrorValue::Num));
    EXPECT_EQ(f("YEAR", {txt("2024-05-06")}), num(2024));
}

TEST_F(DateFunctions, The1904SystemCountsFrom1904) {
    grid.set1904(true);
    EXPECT_EQ(f("DATE", {num(1904), num(1), num(1)}), num(0));
    EXPECT_EQ(f("DATE", {num(2024), num(1), num(15)}), num(45306 - 1462));
    EXPECT_EQ(f("DATE", {num(1903), num(12), num(31)}), err(ErrorValue::Num));
    EXPECT_EQ(f("YEAR", {num(0)}), num(1904));
    EXPECT_EQ(f("WEEKDAY", {num(0)}), num(6));  // 1904-01-01 was a Friday
}

TEST_F(DateFunctions, TimesRoundToTheSecond) {
    EXPECT_EQ(f("TIME", {num(12), num(30), num(0)}), num(0.5 + 30.0 / 1440));
    EXPECT_EQ(f("TIME", {num(25), num(0), num(0)}), num(1.0 / 24));
    EXPECT_EQ(f("TIME", {num(0), num(-1), num(0)}), err(ErrorValue::Num));
    EXPECT_EQ(f("TIME", {num(32768), num(0), num(0)}), err(ErrorValue::Num));
    EXPECT_EQ(f("HOUR", {num(0.75)}), num(18));
    EXPECT_EQ(f("MINUTE", {txt("13:45:10")}), num(45));
    EXPECT_EQ(f("SECOND", {num((10 * 3600 + 5 * 60 + 9.6) / 86400.0)}), num(10));
    EXPECT_EQ(f("HOUR", {num(0.99999999)}), num(0));  // rounds to the next midnight
    EXPECT_EQ(f("HOUR", {num(-0.5)}), err(ErrorValue::Num));
    EXPECT_EQ(f("TIMEVALUE", {txt("6:00 PM")}), num(0.75));
    EXPECT_EQ(f("DATEVALUE", {txt("2024-01-15 18:00")}), num(45306));
    EXPECT_EQ(f("DATEVALUE", {num(45306)}), err(ErrorValue::Value));
    EXPECT_EQ(f("DATEVALUE", {txt("not a date")}), err(ErrorValue::Value));
    grid.setNow(45306.75);
    EXPECT_EQ(f("NOW", {}), num(45306.75));
    EXPECT_EQ(f("TODAY", {}), num(45306));
}

TEST_F(DateFunctions, WeekdaysAndWeekNumbers) {
    EXPECT_EQ(f("WEEKDAY", {num(1)}), num(1));  // the application's 1900-01-01 is a Sunday
    EXPECT_EQ(f("WEEKDAY", {num(61)}), num(5));  // 1900-03-01, a Thursday
    EXPECT_EQ(f("WEEKDAY", {num(45306)}), num(2));  // 2024-01-15, a Monday
    EXPECT_EQ(f("WEEKDAY", {num(45306), num(2)}), num(1));
    EXPECT_EQ(f("WEEKDAY", {num(45306), num(3)}), num(0));
    EXPECT_EQ(f("WEEKDAY", {num(45306), num(16)}), num(3));
    EXPECT_EQ(f("WEEKDAY", {num(45306), num(4)}), err(ErrorValue::Num));
    EXPECT_EQ(f("WEEKNUM", {num(date(2024, 1, 6))}), num(1));
    EXPECT_EQ(f("WEEKNUM", {num(date(2024, 1, 7))}), num(2));
    EXPECT_EQ(f("WEEKNUM", {num(date(2024, 1, 7)), num(2)}), num(1));
    EXPECT_EQ(f("WEEKNUM", {num(date(2021, 1, 1)), num(21)}), num(53));
    EXPECT_EQ(f("WEEKNUM", {num(45306), num(3)}), err(ErrorValue::Num));
    EXPECT_EQ(f("ISOWEEKNUM", {num(date(2021, 1, 4))}), num(1));
    EXPECT_EQ(f("ISOWEEKNUM", {num(date(2024, 12, 30))}), num(1));
}

TEST_F(DateFunctions, MonthArithmetic) {
    EXPECT_EQ(f("EDATE", {num(date(2024, 1, 31)), num(1)}), num(date(2024, 2, 29)));
    EXPECT_EQ(f("EDATE", {num(date(2024, 3, 31)), num(-13)}), num(date(2023, 2, 28)));
    EXPECT_EQ(f("EDATE", {num(date(2024, 1, 15)), num(1.9)}), num(date(2024, 2, 15)));
    EXPECT_EQ(f("EOMONTH", {num(date(2024, 1, 15)), num(1)}), num(date(2024, 2, 29)));
    EXPECT_EQ(f("EOMONTH", {num(date(2024, 1, 15)), num(-1)}), num(date(2023, 12, 31)));
    EXPECT_EQ(f("EOMONTH", {num(1), num(1)}), num(60));  // February 1900 has its 29th
    EXPECT_EQ(f("EOMONTH", {num(10), num(-1)}), err(ErrorValue::Num));
    EXPECT_EQ(f("DAYS", {txt("2024-03-01"), txt("2024-02-01")}), num(29));
}

TEST_F(DateFunctions, Datedif) {
    double start = date(2020, 1, 31), end = date(2024, 3, 15);
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("Y")}), num(4));
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("m")}), num(49));
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("D")}), num(end - start));
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("YM")}), num(1));
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("MD")}), num(13));  // 29 - 31 + 15
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("YD")}), num(end - date(2024, 1, 31)));
    EXPECT_EQ(f("DATEDIF", {num(end), num(start), txt("D")}), err(ErrorValue::Num));
    EXPECT_EQ(f("DATEDIF", {num(start), num(end), txt("W")}), err(ErrorValue::Num));
}

TEST_F(DateFunctions, WorkingDays) {
    double monday = date(2024, 1, 15), friday = date(2024, 1, 19), nextMonday = date(2024, 1, 22);
    EXPECT_EQ(f("NETWORKDAYS", {num(monday), num(nextMonday)}), num(6));
    EXPECT_EQ(f("NETWORKDAYS", {num(nextMonday), num(monday)}), num(-6));
    grid.set(0, 1, 1, num(date(2024, 1, 17)));
    grid.set(0, 2, 1, num(date(2024, 1, 20)));  // a Saturday: no working day lost
    grid.set(0, 3, 1, num(date(2024, 1, 17)));  // listed twice, counted once
    EXPECT_EQ(f("NETWORKDAYS", {num(monday), num(nextMonday), ref(1, 1, 3, 1)}), num(5));
    EXPECT_EQ(f("WORKDAY", {num(friday), num(1)}), num(nextMonday));
    EXPECT_EQ(f("WORKDAY", {num(nextMonday), num(-1)}), num(friday));
    EXPECT_EQ(f("WORKDAY", {num(monday), num(2), ref(1, 1, 3, 1)}), num(date(2024, 1, 18)));
    EXPECT_EQ(f("WORKDAY", {num(monday), num(0)}), num(monday));
    grid.set(0, 4, 1, txt("x"));
    EXPECT_EQ(f("WORKDAY", {num(monday), num(2), ref(1, 1, 4, 1)}), err(ErrorValue::Value));
    EXPECT_EQ(f("WORKDAY", {num(2958000), num(1000)}), err(ErrorValue::Num));
}

TEST_F(DateFunctions, YearFractionBases) {
    Value start = num(date(2012, 1, 1)), end = num(date(2012, 7, 30));
    EXPECT_NEAR(f("YEARFRAC", {start, end}).asNumber(), 0.58055555556, 1e-10);
    EXPECT_NEAR(f("YEARFRAC", {start, end, num(1)}).asNumber(), 0.57650273224, 1e-10);
    EXPECT_NEAR(f("YEARFRAC", {start, end, num(2)}).asNumber(), 0.58611111111, 1e-10);
    EXPECT_NEAR(f("YEARFRAC", {start, end, num(3)}).asNumber(), 0.57808219178, 1e-10);
    EXPECT_NEAR(f("YEARFRAC", {end, start, num(4)}).asNumber(), 0.58055555556, 1e-10);
    // Over several years the average year length of the years touched.
    EXPECT_NEAR(f("YEARFRAC", {num(date(2011, 6, 1)), num(date(2013, 6, 1)), num(1)}).asNumber(),
                731.0 / (1096.0 / 3), 1e-12);
    // US 30/360 takes the end of February as the 30th, and then leaves a 31st at the end alone.
    EXPECT_NEAR(f("YEARFRAC", {num(date(2023, 2, 28)), num(date(2023, 3, 31))}).asNumber(), 31.0 / 360, 1e-12);
    EXPECT_NEAR(f("YEARFRAC", {num(date(2023, 1, 30)), num(date(2023, 3, 31))}).asNumber(), 60.0 / 360, 1e-12);
    EXPECT_EQ(f("YEARFRAC", {start, end, num(5)}), err(ErrorValue::Num));
}

}  // namespace
}  // namespace tavlora::host::formula::familytest
