#include "base/CivilDate.h"

#include <gtest/gtest.h>

namespace tavlora::base {
namespace {

TEST(CivilDate, KnownDays) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
    EXPECT_EQ(daysFromCivil(1899, 12, 30), -25569);  // the automation language's day 0
    EXPECT_EQ(daysFromCivil(1904, 1, 1), -24107);
    EXPECT_EQ(daysFromCivil(2000, 2, 29), 11016);
    EXPECT_EQ(daysFromCivil(1, 1, 1), -719162);
    EXPECT_EQ(daysFromCivil(9999, 12, 31), 2932896);
    auto date = civilFromDays(-25508);
    EXPECT_EQ(date.year, 1900);
    EXPECT_EQ(date.month, 3u);
    EXPECT_EQ(date.day, 1u);
}

TEST(CivilDate, LeapYears) {
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(0));
    EXPECT_TRUE(isLeapYear(-4));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2100));
    EXPECT_FALSE(isLeapYear(2023));
    EXPECT_FALSE(isLeapYear(-1));
    EXPECT_EQ(daysInMonth(1900, 2), 28u);
    EXPECT_EQ(daysInMonth(2000, 2), 29u);
    EXPECT_EQ(daysInMonth(2023, 12), 31u);
    EXPECT_EQ(daysInMonth(2023, 4), 30u);
}

// Walks the calendar a day at a time, across leap days, century years and year 0, and checks
// both directions against the walk.
TEST(CivilDate, EveryDayFollowsTheDayBefore) {
    int64_t year = -400;
    unsigned month = 1;
    unsigned day = 1;
    const int64_t first = daysFromCivil(year, month, day);
    int64_t days = first;
    for (; year < 2400; ++days) {
        CivilDate date = civilFromDays(days);
        if (daysFromCivil(year, month, day) != days || date.year != year || date.month != month || date.day != day) {
            FAIL() << year << "-" << month << "-" << day << " is day " << daysFromCivil(year, month, day)
                   << "; day " << days << " is " << date.year << "-" << date.month << "-" << date.day;
        }
        if (++day > daysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    EXPECT_EQ(days - first, 7 * 146097);  // seven 400-year cycles
    EXPECT_EQ(daysFromCivil(2400, 1, 1), days);
}

}  // namespace
}  // namespace tavlora::base
