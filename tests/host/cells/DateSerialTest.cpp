#include "host/cells/DateSerial.h"

#include <gtest/gtest.h>

#include <string>

namespace tavlora::host {
namespace {

std::string text(const base::CivilDate& date) {
    return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

// Serials as the application shows them (with a yyyy-m-d format), and the automation date of
// the same moment. 1899-12-30 12:00 and a bare 12:00 are the same automation date, 0.5.
TEST(DateSerial, The1900SystemAroundItsMissingDay) {
    struct Case {
        double serial;
        double automation;
        const char* shown;
    };
    const Case cases[] = {
        {0.5, 0.5, "1900-1-0"},     // a time of day alone
        {1, 2, "1900-1-1"},         //
        {1.25, 2.25, "1900-1-1"},   //
        {59, 60, "1900-2-28"},      //
        {61, 61, "1900-3-1"},       // from here on both count alike
        {45292, 45292, "2024-1-1"}, //
        {kLastDateSerial, kLastDateSerial, "9999-12-31"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(automationDateOfSerial(c.serial, false), c.automation) << c.serial;
        EXPECT_EQ(serialOfAutomationDate(c.automation, false), c.serial) << c.automation;
        EXPECT_EQ(text(civilDateOfSerial(static_cast<int64_t>(c.serial), false)), c.shown) << c.serial;
    }
    // The day that never was shows as itself and reads as the day before.
    EXPECT_EQ(text(civilDateOfSerial(60, false)), "1900-2-29");
    EXPECT_EQ(automationDateOfSerial(60, false), 60);
}

TEST(DateSerial, The1904System) {
    EXPECT_EQ(serialOfAutomationDate(1462, true), 0);
    EXPECT_EQ(automationDateOfSerial(0.5, true), 1462.5);
    EXPECT_EQ(text(civilDateOfSerial(0, true)), "1904-1-1");
    EXPECT_EQ(text(civilDateOfSerial(45292 - 1462, true)), "2024-1-1");
    EXPECT_EQ(serialOfCivilDate(1904, 1, 1, true), 0);
    EXPECT_EQ(serialOfCivilDate(2024, 1, 1, true), 45292 - 1462);
}

TEST(DateSerial, AutomationDatesComeBackUnchanged) {
    // Every quarter day but 1899-12-31, which shares its serials with the bare times of day.
    for (double date = 0; date < 800; date += 0.25) {
        if (date >= 1 && date < 2) continue;
        EXPECT_EQ(automationDateOfSerial(serialOfAutomationDate(date, false), false), date);
        EXPECT_EQ(automationDateOfSerial(serialOfAutomationDate(date, true), true), date);
    }
}

TEST(DateSerial, CalendarDaysAndSerialsAgree) {
    EXPECT_EQ(serialOfCivilDate(1900, 1, 1, false), 1);
    EXPECT_EQ(serialOfCivilDate(1900, 2, 28, false), 59);
    EXPECT_EQ(serialOfCivilDate(1900, 3, 1, false), 61);
    EXPECT_EQ(serialOfCivilDate(9999, 12, 31, false), kLastDateSerial);
    for (int64_t serial = 1; serial < 2000; ++serial) {
        if (serial == 60) continue;
        base::CivilDate date = civilDateOfSerial(serial, false);
        EXPECT_EQ(serialOfCivilDate(date.year, date.month, date.day, false), serial) << text(date);
    }
}

}  // namespace
}  // namespace tavlora::host
