#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Calendar arithmetic on whole-day serials as the application counts them: in the 1900 system the
// days before 1900-03-01 keep their serials' weekdays (serial 1 is a Sunday) and February 1900 has
// 29 days, as the fictitious 1900-02-29 (serial 60) requires.
namespace tavlora::host::formula {

// 0 = Sunday ... 6 = Saturday.
int dayOfWeek(int64_t serial, bool date1904);
bool isWorkday(int64_t serial, bool date1904);  // Monday to Friday
// Monday-to-Friday days in [first, last], both counted. REQUIRES: first <= last.
int64_t workdaysBetween(int64_t first, int64_t last, bool date1904);

// The serial of the first of a month. Counting a month's days on from it keeps 1900-02-29 where it
// belongs, and before 1900 it counts on backwards, so that DATE(1900,1,0) is 0 and earlier days
// fall below the range.
int64_t serialOfMonthStart(int64_t year, unsigned month, bool date1904);

unsigned monthLength(int64_t year, unsigned month, bool date1904);

// DATEDIF's units Y, M, D, MD, YM, YD (any letter case); nullopt for another unit.
// REQUIRES: start <= end.
std::optional<int64_t> dateDifference(int64_t start, int64_t end, std::string_view unit, bool date1904);

// YEARFRAC of start <= end under a day-count basis 0 to 4 (US 30/360, actual/actual, actual/360,
// actual/365, European 30/360).
double yearFraction(int64_t start, int64_t end, int basis, bool date1904);

}  // namespace tavlora::host::formula
