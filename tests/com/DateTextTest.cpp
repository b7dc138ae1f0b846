#include "com/DateText.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/ComErrorMatchers.h"

namespace tavlora::com {
namespace {

TEST(DateText, TextAndSerialRoundTrip) {
    for (double serial : {-657434.0, -1.75, 0.0, 0.5, 45366.0, 45366.999988425923, 2958465.0}) {
        double back = 0;
        ASSERT_TRUE(parseDateText(formatDate(serial), back)) << serial;
        EXPECT_NEAR(back, serial, 1e-9) << formatDate(serial);
    }
}

TEST(DateText, FollowsTheGregorianCalendar) {
    double serial = 0;
    EXPECT_TRUE(parseDateText("2000-02-29", serial));
    EXPECT_EQ(serial, 36585);
    EXPECT_TRUE(parseDateText("2024-12-31", serial));
    EXPECT_EQ(formatDate(serial + 1), "2025-01-01");
    EXPECT_FALSE(parseDateText("1900-02-29", serial));  // not a leap year
    EXPECT_FALSE(parseDateText("2100-02-29", serial));
    EXPECT_FALSE(parseDateText("2024-04-31", serial));
    EXPECT_FALSE(parseDateText("2024-13-01", serial));
    EXPECT_FALSE(parseDateText("2024-00-10", serial));
    EXPECT_FALSE(parseDateText("0099-12-31", serial));  // before the language's first year
}

TEST(DateText, ReadsOnlyTheDocumentedForms) {
    double serial = -7;
    EXPECT_TRUE(parseDateText("2024-3-5 7:05", serial));
    EXPECT_EQ(formatDate(serial), "2024-03-05 07:05:00");
    EXPECT_TRUE(parseDateText("  2024-03-05   23:59:59  ", serial));
    EXPECT_EQ(formatDate(serial), "2024-03-05 23:59:59");
    serial = -7;
    for (const char* text : {"", " ", "2024-03", "24-03-05", "2024/03/05", "2024-03-05T10:00", "2024-03-05 10",
                             "2024-03-05 10:60", "2024-03-05 10:00:", "2024-03-05 10:00:00 PM", "20240-03-05",
                             "2024-03-05x"}) {
        EXPECT_FALSE(parseDateText(text, serial)) << '"' << text << '"';
    }
    EXPECT_EQ(serial, -7);
}

TEST(DateText, RangeIsThatOfTheLanguage) {
    EXPECT_EQ(checkDateSerial(2958465.99), 2958465.99);
    EXPECT_COM_ERROR(checkDateSerial(2958466), hr::kOverflow);
    EXPECT_COM_ERROR(checkDateSerial(-657435), hr::kOverflow);
    EXPECT_COM_ERROR(checkDateSerial(std::nan("")), hr::kOverflow);
    EXPECT_COM_ERROR(formatDate(INFINITY), hr::kOverflow);
}

}  // namespace
}  // namespace tavlora::com
