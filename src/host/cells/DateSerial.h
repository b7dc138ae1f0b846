#pragma once

// Cells hold dates as serials of the workbook's date system; automation clients see dates of the
// automation language (days since 1899-12-30). The 1900 system counts a 29 February 1900 that
// never was, so the two differ by a day before March 1900; the 1904 system by 1,462 days.
namespace tavlora::host {

constexpr double kLastDateSerial = 2958465;  // 9999-12-31 in the 1900 system

inline double serialOfAutomationDate(double date, bool date1904) {
    if (date1904) return date - 1462;
    if (date >= 1 && date < 61) return date - 1;
    return date;
}

inline double automationDateOfSerial(double serial, bool date1904) {
    if (date1904) return serial + 1462;
    if (serial >= 0 && serial < 60) return serial + 1;
    return serial;
}

// Whether a serial shown with a date format reads back as a date (the date system's range).
inline bool isDateSerial(double serial, bool date1904) {
    return serial >= 0 && serial <= (date1904 ? kLastDateSerial - 1462 : kLastDateSerial);
}

}  // namespace tavlora::host
