#pragma once
#include <cstdint>

// Calendar days of the proleptic Gregorian calendar, counted from 1970-01-01 (day 0). Every date
// notation of the library (automation dates, workbook serials, ISO text) converts through these.
namespace tavlora::base {

struct CivilDate {
    int64_t year;
    unsigned month;  // 1 to 12
    unsigned day;    // 1 to 31; 0 only where a caller spells a day before the first of a month
};

// REQUIRES: 1 <= month <= 12 and 1 <= day <= 31 (a day past the month's end runs into the next).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day);
CivilDate civilFromDays(int64_t days);

bool isLeapYear(int64_t year);
// REQUIRES: 1 <= month <= 12.
unsigned daysInMonth(int64_t year, unsigned month);

}  // namespace tavlora::base
