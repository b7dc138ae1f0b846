#include "host/formula/functions/SerialCalendar.h"

#include <algorithm>
#include <string>

#include "base/Ascii.h"
#include "base/CivilDate.h"
#include "host/cells/DateSerial.h"

namespace tavlora::host::formula {

namespace {

int64_t floorMod(int64_t a, int64_t b) { return ((a % b) + b) % b; }

// The serial of a day of a month, a day past the month's end running on into the next.
int64_t serialOf(int64_t year, unsigned month, int64_t day, bool date1904) {
    return serialOfMonthStart(year, month, date1904) + day - 1;
}

struct MonthCount {
    int64_t months;  // whole months from start to end
};

MonthCount wholeMonths(const base::CivilDate& a, const base::CivilDate& b) {
    int64_t months = (b.year - a.year) * 12 + int64_t(b.month) - int64_t(a.month);
    if (b.day < a.day) --months;
    return {months};
}

bool isLastOfFebruary(const base::CivilDate& d, bool date1904) {
    return d.month == 2 && d.day == monthLength(d.year, 2, date1904);
}

// Basis 0 as the application computes it for YEARFRAC (which differs from DAYS360 at the ends of
// February).
double usThirty360(base::CivilDate a, base::CivilDate b, bool date1904) {
    int64_t d1 = a.day, d2 = b.day;
    if (d1 == 31 && d2 == 31) {
        d1 = 30;
        d2 = 30;
    } else if (d1 == 31) {
        d1 = 30;
    } else if (d1 == 30 && d2 == 31) {
        d2 = 30;
    } else if (isLastOfFebruary(a, date1904) && isLastOfFebruary(b, date1904)) {
        d1 = 30;
        d2 = 30;
    } else if (isLastOfFebruary(a, date1904)) {
        d1 = 30;
    }
    return double((b.year - a.year) * 360 + (int64_t(b.month) - int64_t(a.month)) * 30 + (d2 - d1)) / 360.0;
}

double europeanThirty360(base::CivilDate a, base::CivilDate b) {
    int64_t d1 = std::min<int64_t>(a.day, 30), d2 = std::min<int64_t>(b.day, 30);
    return double((b.year - a.year) * 360 + (int64_t(b.month) - int64_t(a.month)) * 30 + (d2 - d1)) / 360.0;
}

bool before(const base::CivilDate& a, unsigned month, unsigned day) {
    return a.month < month || (a.month == month && a.day < day);
}

// Actual/actual: within a year the length of that year (366 when a 29 February lies between),
// over more years the average length of the years touched.
double actualActual(int64_t start, int64_t end, bool date1904) {
    base::CivilDate a = civilDateOfSerial(start, date1904);
    base::CivilDate b = civilDateOfSerial(end, date1904);
    auto days = double(end - start);
    bool withinYear = a.year == b.year ||
                      (a.year + 1 == b.year && (a.month > b.month || (a.month == b.month && a.day >= b.day)));
    if (withinYear) {
        bool leapDayBetween = false;
        if (a.year == b.year) {
            leapDayBetween = base::isLeapYear(a.year);
        } else {
            leapDayBetween = (base::isLeapYear(a.year) && before(a, 3, 1)) ||
                             (base::isLeapYear(b.year) && !before(b, 3, 1)) || (b.month == 2 && b.day == 29);
        }
        return days / (leapDayBetween ? 366.0 : 365.0);
    }
    double years = double(b.year - a.year + 1);
    double daysInYears = double(serialOf(b.year + 1, 1, 1, date1904) - serialOf(a.year, 1, 1, date1904));
    return days / (daysInYears / years);
}

}  // namespace

int dayOfWeek(int64_t serial, bool date1904) {
    // 1904-01-01 (serial 0) was a Friday; serial 1 of the 1900 system reads as a Sunday.
    return int(floorMod(serial + (date1904 ? 5 : 6), 7));
}

bool isWorkday(int64_t serial, bool date1904) {
    int dow = dayOfWeek(serial, date1904);
    return dow != 0 && dow != 6;
}

int64_t workdaysBetween(int64_t first, int64_t last, bool date1904) {
    int64_t total = last - first + 1;
    int64_t count = total / 7 * 5;
    for (int64_t day = first + total / 7 * 7; day <= last; ++day)
        if (isWorkday(day, date1904)) ++count;
    return count;
}

int64_t serialOfMonthStart(int64_t year, unsigned month, bool date1904) {
    if (!date1904 && year < 1900) return 1 + base::daysFromCivil(year, month, 1) - base::daysFromCivil(1900, 1, 1);
    return int64_t(serialOfCivilDate(year, month, 1, date1904));
}

unsigned monthLength(int64_t year, unsigned month, bool date1904) {
    if (!date1904 && year == 1900 && month == 2) return 29;
    return base::daysInMonth(year, month);
}

std::optional<int64_t> dateDifference(int64_t start, int64_t end, std::string_view unit, bool date1904) {
    base::CivilDate a = civilDateOfSerial(start, date1904);
    base::CivilDate b = civilDateOfSerial(end, date1904);
    std::string u = base::asciiUpper(unit);
    if (u == "D") return end - start;
    int64_t months = wholeMonths(a, b).months;
    if (u == "M") return months;
    if (u == "Y") return months / 12;
    if (u == "YM") return months % 12;
    if (u == "MD") {
        if (b.day >= a.day) return int64_t(b.day) - int64_t(a.day);
        // The days from the start's day of the month before the end's month; like the application
        // this goes below zero when that month is shorter than the start's day.
        int64_t year = b.month == 1 ? b.year - 1 : b.year;
        unsigned month = b.month == 1 ? 12 : b.month - 1;
        return int64_t(monthLength(year, month, date1904)) - int64_t(a.day) + int64_t(b.day);
    }
    if (u == "YD") {
        int64_t year = before(b, a.month, a.day) ? b.year - 1 : b.year;
        return end - serialOf(year, a.month, a.day, date1904);
    }
    return std::nullopt;
}

double yearFraction(int64_t start, int64_t end, int basis, bool date1904) {
    base::CivilDate a = civilDateOfSerial(start, date1904);
    base::CivilDate b = civilDateOfSerial(end, date1904);
    switch (basis) {
        case 0: return usThirty360(a, b, date1904);
        case 1: return actualActual(start, end, date1904);
        case 2: return double(end - start) / 360.0;
        case 3: return double(end - start) / 365.0;
        default: return europeanThirty360(a, b);
    }
}

}  // namespace tavlora::host::formula
