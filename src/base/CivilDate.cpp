#include "base/CivilDate.h"

#include <array>

namespace tavlora::base {

namespace {

// Eras of 400 years repeat exactly (146,097 days); within an era the year is counted from 1 March,
// so the leap day falls at the end of the year (H. Hinnant's algorithms).
constexpr int64_t kDaysPerEra = 146097;
constexpr int64_t kEpochFromEraStart = 719468;  // 0000-03-01 to 1970-01-01

}  // namespace

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * kDaysPerEra + static_cast<int64_t>(doe) - kEpochFromEraStart;
}

CivilDate civilFromDays(int64_t days) {
    days += kEpochFromEraStart;
    const int64_t era = (days >= 0 ? days : days - (kDaysPerEra - 1)) / kDaysPerEra;
    const auto doe = static_cast<unsigned>(days - era * kDaysPerEra);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool isLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned daysInMonth(int64_t year, unsigned month) {
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace tavlora::base
