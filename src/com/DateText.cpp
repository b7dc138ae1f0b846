#include "com/DateText.h"

#include <cmath>

#include "base/Ascii.h"
#include "base/CivilDate.h"
#include "com/Conversions.h"
#include "com/Error.h"

namespace tavlora::com {

namespace {

constexpr double kMinDateSerial = -657434.0;          // 0100-01-01
constexpr double kMaxDateSerialExclusive = 2958466.0;  // day after 9999-12-31
constexpr int64_t kSecondsPerDay = 86400;

void appendPadded(std::string& text, int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) text.append(static_cast<size_t>(width) - digits.size(), '0');
    text += digits;
}

// Reads up to `maxDigits` digits (at least one) at text[i].
bool readNumber(std::string_view text, size_t& i, size_t maxDigits, unsigned& value) {
    size_t start = i;
    value = 0;
    while (i < text.size() && i - start < maxDigits && base::isAsciiDigit(text[i])) value = value * 10 + (text[i++] - '0');
    return i > start;
}

bool readChar(std::string_view text, size_t& i, char wanted) {
    if (i >= text.size() || text[i] != wanted) return false;
    ++i;
    return true;
}

}  // namespace

double checkDateSerial(double serial) {
    if (!(serial >= kMinDateSerial && serial < kMaxDateSerialExclusive)) {
        throw Error(hr::kOverflow, "Overflow: the value " + formatGeneralNumber(serial) +
                                       " is not a date between 0100-01-01 and 9999-12-31");
    }
    return serial;
}

std::string formatDate(double serial) {
    checkDateSerial(serial);
    double wholeDays = std::trunc(serial);
    auto day = static_cast<int64_t>(wholeDays);
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(serial - wholeDays) * kSecondsPerDay));
    if (seconds >= kSecondsPerDay) {  // rounds up to the next midnight
        seconds -= kSecondsPerDay;
        ++day;
    }
    base::CivilDate date = base::civilFromDays(day - kUnixEpochDate);
    std::string text;
    text.reserve(19);
    appendPadded(text, date.year, 4);
    text += '-';
    appendPadded(text, date.month, 2);
    text += '-';
    appendPadded(text, date.day, 2);
    if (seconds != 0) {
        text += ' ';
        appendPadded(text, seconds / 3600, 2);
        text += ':';
        appendPadded(text, seconds / 60 % 60, 2);
        text += ':';
        appendPadded(text, seconds % 60, 2);
    }
    return text;
}

bool parseDateText(std::string_view text, double& serial) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    size_t i = 0;
    unsigned year, month, day, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, i, 4, year) || i != 4 || !readChar(text, i, '-') || !readNumber(text, i, 2, month) ||
        !readChar(text, i, '-') || !readNumber(text, i, 2, day)) {
        return false;
    }
    if (i < text.size()) {
        if (!readChar(text, i, ' ')) return false;
        while (i < text.size() && text[i] == ' ') ++i;
        if (!readNumber(text, i, 2, hour) || !readChar(text, i, ':') || !readNumber(text, i, 2, minute)) return false;
        if (readChar(text, i, ':') && !readNumber(text, i, 2, second)) return false;
        if (i != text.size()) return false;
    }
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > base::daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return false;
    }
    int64_t days = base::daysFromCivil(year, month, day) + kUnixEpochDate;
    double timeOfDay = static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
    // Before 1899-12-30 the fraction still counts forward within the day, away from zero.
    serial = days < 0 ? static_cast<double>(days) - timeOfDay : static_cast<double>(days) + timeOfDay;
    return true;
}

}  // namespace tavlora::com
