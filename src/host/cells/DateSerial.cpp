#include "host/cells/DateSerial.h"

#include "com/DateText.h"

namespace tavlora::host {

namespace {

constexpr double kFirstMarch1900 = 61;  // the same day in the automation language and the 1900 system

}  // namespace

double serialOfAutomationDate(double date, bool date1904) {
    if (date1904) return date - k1904Offset;
    if (date >= 1 && date < kFirstMarch1900) return date - 1;
    return date;
}

double automationDateOfSerial(double serial, bool date1904) {
    if (date1904) return serial + k1904Offset;
    if (serial >= 1 && serial < kFirstMarch1900 - 1) return serial + 1;
    return serial;
}

base::CivilDate civilDateOfSerial(int64_t days, bool date1904) {
    if (!date1904 && days == 0) return {1900, 1, 0};
    if (!date1904 && days == 60) return {1900, 2, 29};
    auto date = static_cast<int64_t>(automationDateOfSerial(static_cast<double>(days), date1904));
    return base::civilFromDays(date - com::kUnixEpochDate);
}

double serialOfCivilDate(int64_t year, unsigned month, unsigned day, bool date1904) {
    auto date = static_cast<double>(base::daysFromCivil(year, month, day) + com::kUnixEpochDate);
    return serialOfAutomationDate(date, date1904);
}

}  // namespace tavlora::host
