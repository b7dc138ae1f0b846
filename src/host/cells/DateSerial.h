#pragma once
#include <cstdint>

#include "base/CivilDate.h"

// Cells hold dates as serials of the workbook's date system; automation clients see dates of the
// automation language (days since 1899-12-30). The 1900 system counts a 29 February 1900 that
// never was (serial 60), so serial 1 is 1900-01-01 and the two differ by a day from there to
// 28 February 1900; from serial 61 (1900-03-01) on they agree. Serials below 1 are times of day
// in both. The 1904 system differs by 1,462 days throughout.
namespace tavlora::host {

constexpr double kLastDateSerial = 2958465;  // 9999-12-31 in the 1900 system
constexpr double k1904Offset = 1462;         // 1904-01-01 in the 1900 system and as an automation date

// 9999-12-31 in the date system: the last day it can show.
inline double lastDateSerial(bool date1904) { return date1904 ? kLastDateSerial - k1904Offset : kLastDateSerial; }

double serialOfAutomationDate(double date, bool date1904);
// Serial 60 has no automation date of its own: it reads as 1900-02-28, the day before.
double automationDateOfSerial(double serial, bool date1904);

// The calendar day of a whole serial as the application shows it: serial 0 is "1900-01-00" and
// serial 60 is 1900-02-29 in the 1900 system.
base::CivilDate civilDateOfSerial(int64_t days, bool date1904);
// The serial of a calendar day at midnight.
double serialOfCivilDate(int64_t year, unsigned month, unsigned day, bool date1904);

// Whether a serial shown with a date format reads back as a date (the date system's range).
inline bool isDateSerial(double serial, bool date1904) {
    return serial >= 0 && serial <= lastDateSerial(date1904);
}

}  // namespace tavlora::host
