#include "host/format/NumberFormat.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include <limits>

#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"

namespace tavlora::host {
namespace {

std::string show(double value, std::string_view code, bool date1904 = false) {
    return displayText(com::Variant(value), code, date1904);
}

TEST(NumberFormatGeneral, NumbersUseTheGeneralText) {
    EXPECT_EQ(show(1234.5, "General"), "1234.5");
    EXPECT_EQ(show(-0.25, "General"), "-0.25");
    EXPECT_EQ(show(0.1 + 0.2, "General"), "0.3");
    EXPECT_EQ(show(1e16, "General"), "1E+16");
    EXPECT_EQ(show(42, ""), "42");
    EXPECT_EQ(show(42, "general"), "42");
    EXPECT_EQ(show(-7, "\"Total: \"General"), "-Total: 7");
}

TEST(NumberFormatGeneral, OtherValueTypes) {
    EXPECT_EQ(displayText(com::Variant(), "0.00"), "");
    EXPECT_EQ(displayText(com::Variant::null(), "0.00"), "");
    EXPECT_EQ(displayText(com::Variant(true), "0.00"), "TRUE");
    EXPECT_EQ(displayText(com::Variant(false), "General"), "FALSE");
    EXPECT_EQ(displayText(com::Variant(int16_t{-12}), "0.0"), "-12.0");
    EXPECT_EQ(displayText(com::Variant(int32_t{70000}), "#,##0"), "70,000");
    EXPECT_EQ(displayText(com::Variant(int64_t{5}), "00"), "05");
    EXPECT_EQ(displayText(com::Variant::currency(12345), "0.00"), "1.23");  // 1.2345
    EXPECT_EQ(displayText(com::Variant::error(com::hr::runtime(2007)), "0"), "#DIV/0!");
    EXPECT_EQ(displayText(com::Variant::error(com::hr::runtime(2042)), "General"), "#N/A");
}

TEST(NumberFormatGeneral, AutomationDatesInGeneralShowAsDates) {
    EXPECT_EQ(displayText(com::Variant::date(45306), "General"), "1/15/2024");
    EXPECT_EQ(displayText(com::Variant::date(45306.75), "General"), "1/15/2024 18:00");
    EXPECT_EQ(displayText(com::Variant::date(0.5), "General"), "12:00:00");
    EXPECT_EQ(displayText(com::Variant::date(45306), "yyyy-mm-dd"), "2024-01-15");
    // The same day in the 1904 system has a serial 1,462 lower.
    EXPECT_EQ(displayText(com::Variant::date(45306), "yyyy-mm-dd", true), "2024-01-15");
}

TEST(NumberFormatFixed, DecimalsRoundHalfAwayFromZeroOnFifteenDigits) {
    EXPECT_EQ(show(3.14159, "0.00"), "3.14");
    EXPECT_EQ(show(2.675, "0.00"), "2.68");  // binary 2.67499999... shown as typed
    EXPECT_EQ(show(-2.5, "0"), "-3");
    EXPECT_EQ(show(0.5, "0"), "1");
    EXPECT_EQ(show(9.995, "0.00"), "10.00");
    EXPECT_EQ(show(0, "0.00"), "0.00");
    EXPECT_EQ(show(7, "000"), "007");
    EXPECT_EQ(show(1e20, "0"), "100000000000000000000");
    EXPECT_EQ(show(123456789.123, "0.0"), "123456789.1");
    EXPECT_EQ(show(-0.001, "0.00"), "-0.00");
}

TEST(NumberFormatFixed, OptionalPlaceholders) {
    EXPECT_EQ(show(0.5, "#.##"), ".5");
    EXPECT_EQ(show(5, "#.##"), "5.");
    EXPECT_EQ(show(1.05, "0.##"), "1.05");
    EXPECT_EQ(show(0, "#"), "");
    EXPECT_EQ(show(12.5, ".00"), "12.50");
    EXPECT_EQ(show(1.5, "0.0?"), "1.5 ");
    EXPECT_EQ(show(5, "??0"), "  5");
    EXPECT_EQ(show(123456789, "000-00-0000"), "123-45-6789");
}

TEST(NumberFormatFixed, ThousandsSeparatorsAndScaling) {
    EXPECT_EQ(show(1234567.891, "#,##0.00"), "1,234,567.89");
    EXPECT_EQ(show(-1234, "#,##0"), "-1,234");
    EXPECT_EQ(show(999, "#,##0"), "999");
    EXPECT_EQ(show(0, "#,##0"), "0");
    EXPECT_EQ(show(5, "0,000"), "0,005");
    EXPECT_EQ(show(1234567, "#,##0,\"K\""), "1,235K");
    EXPECT_EQ(show(1234567, "0.0,,"), "1.2");
    EXPECT_EQ(show(12, "\"a,b\"0"), "a,b12");
}

TEST(NumberFormatFixed, Percent) {
    EXPECT_EQ(show(0.5, "0%"), "50%");
    EXPECT_EQ(show(0.07, "0.00%"), "7.00%");
    EXPECT_EQ(show(-0.125, "0.0%"), "-12.5%");
    EXPECT_EQ(show(1.5, "#,##0%"), "150%");
}

TEST(NumberFormatScientific, MantissaAndExponent) {
    EXPECT_EQ(show(12345, "0.00E+00"), "1.23E+04");
    EXPECT_EQ(show(0.000123, "0.00E+00"), "1.23E-04");
    EXPECT_EQ(show(0.000123, "0.00E-00"), "1.23E-04");
    EXPECT_EQ(show(12345, "0.00E-00"), "1.23E04");
    EXPECT_EQ(show(0, "0.00E+00"), "0.00E+00");
    EXPECT_EQ(show(9.999, "0.00E+00"), "1.00E+01");
    EXPECT_EQ(show(-1.5e300, "0.0E+0"), "-1.5E+300");
    EXPECT_EQ(show(12345, "##0.0E+0"), "12.3E+3");
    EXPECT_EQ(show(0.0012345, "##0.0E+0"), "1.2E-3");
    EXPECT_EQ(show(999960, "##0.0E+0"), "1.0E+6");
}

TEST(NumberFormatFraction, PlaceholdersAndFixedDenominators) {
    EXPECT_EQ(show(1.5, "# ?/?"), "1 1/2");
    EXPECT_EQ(show(0.75, "# ?/?"), " 3/4");
    EXPECT_EQ(show(3.14159, "# ?\?/?\?"), "3 14/99");
    EXPECT_EQ(show(0.333, "?/?"), "1/3");
    EXPECT_EQ(show(2.5, "?/?"), "5/2");
    EXPECT_EQ(show(1.3, "# ?/8"), "1 2/8");
    EXPECT_EQ(show(0.37, "0/100"), "37/100");
    EXPECT_EQ(show(2, "# ?/?"), "2    ");
    EXPECT_EQ(show(-1.25, "# ?/?"), "-1 1/4");
    // Too large for a fraction: the whole number, the fraction's room left blank.
    EXPECT_EQ(show(1e20, "# ?/?"), "100000000000000000000    ");
    EXPECT_EQ(show(1e300, "?/?"), "1" + std::string(300, '0') + "/1");
    EXPECT_EQ(show(5e14 + 0.5, "# ?/?"), "500000000000000 1/2");
}

TEST(NumberFormatSections, PositiveNegativeZeroText) {
    const char* code = "0.00;(0.00);\"zero\";\"text: \"@";
    EXPECT_EQ(show(1.5, code), "1.50");
    EXPECT_EQ(show(-1.5, code), "(1.50)");
    EXPECT_EQ(show(0, code), "zero");
    EXPECT_EQ(displayText(com::Variant("abc"), code), "text: abc");
    // Two sections: zero goes to the first one.
    EXPECT_EQ(show(0, "0;-0.0"), "0");
    EXPECT_EQ(show(-2, "0;-0.0"), "-2.0");
    // Empty sections hide the value.
    EXPECT_EQ(show(-5, "0;"), "");
    EXPECT_EQ(show(5, ";;;"), "");
    EXPECT_EQ(displayText(com::Variant("abc"), ";;;"), "");
    // Without a text section a text shows as it is.
    EXPECT_EQ(displayText(com::Variant("abc"), "0.00"), "abc");
    EXPECT_EQ(displayText(com::Variant("12"), "0.00"), "12");
}

TEST(NumberFormatSections, Conditions) {
    const char* code = "[<100]\"small \"0;[>=1000]\"big \"#,##0;\"mid \"0";
    EXPECT_EQ(show(5, code), "small 5");
    EXPECT_EQ(show(5000, code), "big 5,000");
    EXPECT_EQ(show(500, code), "mid 500");
    EXPECT_EQ(show(-5, code), "-small 5");
}

TEST(NumberFormatSections, ColoursAreIgnoredAndLiteralsKept) {
    EXPECT_EQ(show(-3, "0;[Red]-0"), "-3");
    EXPECT_EQ(show(-3, "[Blue]0;[Color10](0)"), "(3)");
    EXPECT_EQ(show(3, "\\$0.00\" USD\""), "$3.00 USD");
    EXPECT_EQ(show(3, "[$€-407] 0.00"), "€ 3.00");
    EXPECT_EQ(show(3, "[$-409]0"), "3");
    EXPECT_EQ(show(-3, "\"$\"0"), "-$3");
    EXPECT_EQ(show(4, "0\\\""), "4\"");
    EXPECT_EQ(show(4, "0 \"unclosed"), "4 unclosed");
}

TEST(NumberFormatSections, PaddingAndFill) {
    EXPECT_EQ(show(1234, "#,##0_);(#,##0)"), "1,234 ");
    EXPECT_EQ(show(-1234, "#,##0_);(#,##0)"), "(1,234)");
    EXPECT_EQ(show(1234.5, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"), " 1,234.50 ");
    EXPECT_EQ(show(0, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"), " -   ");
    EXPECT_EQ(displayText(com::Variant("x"), "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"), " x ");
    EXPECT_EQ(show(7, "*-0"), "7");
}

TEST(NumberFormatText, AtSign) {
    EXPECT_EQ(displayText(com::Variant("<b>&"), "@"), "<b>&");
    EXPECT_EQ(displayText(com::Variant("ab"), "\"[\"@\"]\""), "[ab]");
    EXPECT_EQ(displayText(com::Variant("ab"), "@ @"), "ab ab");
    // A number under a text-only format shows as General.
    EXPECT_EQ(show(1.5, "@"), "1.5");
    EXPECT_EQ(show(-1.5, "\"x\"@"), "-1.5");
    EXPECT_EQ(displayText(com::Variant("ünï"), "\"→\"@"), "→ünï");
}

TEST(NumberFormatDate, DatePartsIn1900System) {
    const double jan15 = 45306.0;  // Monday 2024-01-15
    EXPECT_EQ(show(jan15, "yyyy-mm-dd"), "2024-01-15");
    EXPECT_EQ(show(jan15, "m/d/yy"), "1/15/24");
    EXPECT_EQ(show(jan15, "mmm d, yyyy"), "Jan 15, 2024");
    EXPECT_EQ(show(jan15, "mmmm"), "January");
    EXPECT_EQ(show(jan15, "mmmmm"), "J");
    EXPECT_EQ(show(jan15, "ddd dddd"), "Mon Monday");
    EXPECT_EQ(show(jan15, "d-mmm"), "15-Jan");
    EXPECT_EQ(show(jan15, "DD.MM.YYYY"), "15.01.2024");
    EXPECT_EQ(show(2958465, "yyyy-mm-dd"), "9999-12-31");
    EXPECT_EQ(show(2958466, "yyyy-mm-dd"), "########");
    EXPECT_EQ(show(-1, "yyyy-mm-dd"), "########");
}

TEST(NumberFormatDate, TheFictitiousLeapDayOf1900) {
    EXPECT_EQ(show(0, "yyyy-mm-dd"), "1900-01-00");
    EXPECT_EQ(show(1, "yyyy-mm-dd dddd"), "1900-01-01 Sunday");
    EXPECT_EQ(show(59, "yyyy-mm-dd"), "1900-02-28");
    EXPECT_EQ(show(60, "yyyy-mm-dd"), "1900-02-29");
    EXPECT_EQ(show(61, "yyyy-mm-dd dddd"), "1900-03-01 Thursday");
    EXPECT_EQ(show(36526, "yyyy-mm-dd"), "2000-01-01");
}

TEST(NumberFormatDate, The1904System) {
    EXPECT_EQ(show(0, "yyyy-mm-dd dddd", true), "1904-01-01 Friday");
    EXPECT_EQ(show(43844, "yyyy-mm-dd", true), "2024-01-15");
    EXPECT_EQ(show(2957003, "yyyy-mm-dd", true), "9999-12-31");
    EXPECT_EQ(show(2957004, "yyyy-mm-dd", true), "########");
}

TEST(NumberFormatDate, TimesAndMinutesVersusMonths) {
    const double value = 45306 + (13 * 3600 + 5 * 60 + 9) / 86400.0;  // 13:05:09
    EXPECT_EQ(show(value, "h:mm:ss"), "13:05:09");
    EXPECT_EQ(show(value, "hh:mm AM/PM"), "01:05 PM");
    EXPECT_EQ(show(value, "h:mm am/pm"), "1:05 PM");
    EXPECT_EQ(show(value, "h:mm a/p"), "1:05 p");
    EXPECT_EQ(show(value, "h A/P"), "1 P");
    EXPECT_EQ(show(45306, "h:mm AM/PM"), "12:00 AM");
    EXPECT_EQ(show(value, "m/d/yyyy h:mm"), "1/15/2024 13:05");
    EXPECT_EQ(show(value, "mm:ss"), "05:09");
    EXPECT_EQ(show(value, "yyyy mm"), "2024 01");
    EXPECT_EQ(show(value, "h \"h\" m \"min\""), "13 h 5 min");
}

TEST(NumberFormatDate, RoundingElapsedAndFractionalSeconds) {
    EXPECT_EQ(show(1.5, "[h]:mm:ss"), "36:00:00");
    EXPECT_EQ(show(2.0 / 24 + 3.0 / 1440, "[mm]:ss"), "123:00");
    EXPECT_EQ(show(90.0 / 86400, "[ss]"), "90");
    EXPECT_EQ(show(45306 + 86399.7 / 86400, "yyyy-mm-dd hh:mm:ss"), "2024-01-16 00:00:00");
    EXPECT_EQ(show(45306 + 86399.7 / 86400, "hh:mm:ss.0"), "23:59:59.7");
    EXPECT_EQ(show(12.346 / 86400, "mm:ss.00"), "00:12.35");
    EXPECT_EQ(show(65.4 / 86400, "mmss.0"), "0105.4");
}

TEST(NumberFormatBuiltin, KnownIdsRenderAsInEnUs) {
    EXPECT_EQ(builtinNumberFormat(0), "General");
    EXPECT_EQ(builtinNumberFormat(14), "m/d/yyyy");
    EXPECT_EQ(builtinNumberFormat(49), "@");
    EXPECT_EQ(builtinNumberFormat(23), "");
    EXPECT_EQ(builtinNumberFormat(50), "");
    EXPECT_EQ(builtinNumberFormat(-1), "");
    EXPECT_EQ(show(1234.5, builtinNumberFormat(4)), "1,234.50");
    EXPECT_EQ(show(-1234.5, builtinNumberFormat(8)), "($1,234.50)");
    EXPECT_EQ(show(0.256, builtinNumberFormat(10)), "25.60%");
    EXPECT_EQ(show(1.25, builtinNumberFormat(13)), "1  1/4 ");
    EXPECT_EQ(show(45306.5, builtinNumberFormat(22)), "1/15/2024 12:00");
    EXPECT_EQ(show(45306.5, builtinNumberFormat(15)), "15-Jan-24");
    EXPECT_EQ(show(45306.5, builtinNumberFormat(19)), "12:00:00 PM");
    EXPECT_EQ(show(-1234, builtinNumberFormat(42)), " $(1,234)");
    EXPECT_EQ(show(1.25, builtinNumberFormat(46)), "30:00:00");
    EXPECT_EQ(show(123456, builtinNumberFormat(48)), "123.5E+3");
    for (int id = 0; id <= 49; ++id) {
        auto code = builtinNumberFormat(id);
        if (!code.empty()) {
            EXPECT_NO_THROW(show(-12.5, code)) << id;
        }
    }
}

TEST(NumberFormatParsed, ReusableAndReportsDates) {
    NumberFormat money("#,##0.00");
    EXPECT_EQ(money.formatNumber(1e6), "1,000,000.00");
    EXPECT_EQ(money.formatNumber(-2), "-2.00");
    EXPECT_EQ(money.formatText("n/a"), "n/a");
    EXPECT_FALSE(money.isDateFormat());
    EXPECT_TRUE(NumberFormat("0.00;[Red]yyyy").isDateFormat());
    EXPECT_TRUE(NumberFormat("[h]:mm").isDateFormat());
    EXPECT_FALSE(NumberFormat("\"yyyy\"0").isDateFormat());
}

TEST(NumberFormatParsed, HostileCodesNeverFail) {
    for (const char* code : {"[", "]", "\"", "\\", "_", "*", "[<", "[>=x]0", ";;;;;;;", "0.0.0", "E+", "0E+",
                             "?/", "/?", "0/0", "#,", ",0", "[$", "[$-]", "\xff\xfe", "a/p", "[h", "0%%%%"}) {
        EXPECT_NO_THROW(show(-1234.5678, code)) << code;
        EXPECT_NO_THROW(show(0, code)) << code;
        EXPECT_NO_THROW(displayText(com::Variant("t"), code)) << code;
    }
    EXPECT_EQ(show(1234.5678, "0.0.0"), "1234.5.7");
    EXPECT_EQ(show(5, "0%%"), "50000%%");
    EXPECT_EQ(show(std::numeric_limits<double>::infinity(), "0"), "#NUM!");
}

TEST(NumberFormatParsed, AStrayLeadByteIsOneLiteralCharacter) {
    // It shows as U+FFFD and leaves the placeholders after it in place.
    EXPECT_EQ(show(5, "\xC3" "0"), "\xEF\xBF\xBD" "5");
    EXPECT_EQ(show(5, "\xE2\x82" "0.0"), "\xEF\xBF\xBD" "5.0");
    EXPECT_EQ(show(5, "0\\\xF0" "0"), "0\xEF\xBF\xBD" "5");
    EXPECT_EQ(show(5, "\xE2\x82\xAC" "0"), "\xE2\x82\xAC" "5");  // a well-formed euro sign stays
}

// The sample's rows hold a format code (B), a date-time (C) and what the application's TEXT(C, B)
// gave (A, a cached formula result), in a workbook on the 1904 date system.
TEST(NumberFormatFixture, AgreesWithTheApplicationsTextFunction) {
    auto app = files::newApplication();
    auto book = app->open(test::fixture("excelmac_dates_1904_formats.xlsx").string());
    ASSERT_TRUE(book->sharedStore()->styles.uses1904Dates());
    auto sheet = book->worksheets().at(1);
    int compared = 0;
    for (int32_t row = 2; row <= 200; ++row) {
        com::Variant expected = sheet->cell(row, 1).value();
        com::Variant code = sheet->cell(row, 2).value();
        if (expected.type() != com::VarType::String || code.type() != com::VarType::String) continue;
        EXPECT_EQ(displayText(sheet->cell(row, 3).value(), code.asString(), true), expected.asString())
            << "row " << row << ", format " << code.asString();
        ++compared;
    }
    EXPECT_GE(compared, 40);
}

}  // namespace
}  // namespace tavlora::host
