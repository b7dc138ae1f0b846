#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "base/CivilDate.h"
#include "host/cells/DateSerial.h"
#include "host/formula/FunctionDefinition.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ListArguments.h"
#include "host/formula/functions/OptionalArguments.h"
#include "host/formula/functions/SerialCalendar.h"

namespace tavlora::host::formula {

namespace {

using Args = std::span<const Value>;
using arguments::errorOf;

// A date argument: a serial or a text that reads as one, inside the date system's range, as a
// whole day. #NUM! outside the range.
std::optional<Value> readDay(CalcContext& context, Args args, size_t index, int64_t& out) {
    NumberResult n = arguments::number(args, index, context.uses1904Dates());
    if (!n.ok()) return errorOf(n);
    double day = std::floor(n.number);
    if (!isDateSerial(day, context.uses1904Dates())) return Value::error(ErrorValue::Num);
    out = int64_t(day);
    return std::nullopt;
}

// The time of day of a serial in whole seconds, rounded to the nearest as the application shows it.
std::optional<Value> readSecondOfDay(CalcContext& context, Args args, int64_t& out) {
    NumberResult n = arguments::number(args, 0, context.uses1904Dates());
    if (!n.ok()) return errorOf(n);
    if (n.number < 0 || n.number >= lastDateSerial(context.uses1904Dates()) + 1) return Value::error(ErrorValue::Num);
    auto seconds = int64_t(std::llround((n.number - std::floor(n.number)) * 86400.0));
    out = seconds % 86400;
    return std::nullopt;
}

Value dateResult(double serial, bool date1904) {
    if (!isDateSerial(serial, date1904)) return Value::error(ErrorValue::Num);
    return Value::number(serial);
}

// DATE: a year below 1900 counts from 1900, months and days beyond their range roll into the
// next (or previous) year and month.
Value date(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    NumberResult year = arguments::integer(args, 0, date1904);
    if (!year.ok()) return errorOf(year);
    NumberResult month = arguments::integer(args, 1, date1904);
    if (!month.ok()) return errorOf(month);
    NumberResult day = arguments::integer(args, 2, date1904);
    if (!day.ok()) return errorOf(day);
    if (year.number < 0 || year.number >= 10000) return Value::error(ErrorValue::Num);
    auto y = int64_t(year.number);
    if (y < 1900) y += 1900;
    int64_t months = y * 12 + int64_t(month.number) - 1;
    int64_t rolledYear = months >= 0 ? months / 12 : (months - 11) / 12;
    auto rolledMonth = unsigned(months - rolledYear * 12 + 1);
    if (rolledYear < 0 || rolledYear > 10000) return Value::error(ErrorValue::Num);
    double serial = double(serialOfMonthStart(rolledYear, rolledMonth, date1904)) + day.number - 1;
    return dateResult(serial, date1904);
}

Value time(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    std::array<double, 3> parts{};
    for (size_t i = 0; i < 3; ++i) {
        NumberResult n = arguments::integer(args, i, date1904);
        if (!n.ok()) return errorOf(n);
        if (n.number > 32767) return Value::error(ErrorValue::Num);
        parts[i] = n.number;
    }
    double seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
    if (seconds < 0) return Value::error(ErrorValue::Num);
    return Value::number(std::fmod(seconds, 86400.0) / 86400.0);
}

std::optional<Value> readDateText(CalcContext& context, Args args, double& out) {
    const Value& v = args[0];
    if (v.isError()) return v;
    if (!v.isText()) return Value::error(ErrorValue::Value);
    std::optional<double> serial = dateTimeFromText(v.asText(), context.uses1904Dates());
    if (!serial || *serial < 0 || *serial >= lastDateSerial(context.uses1904Dates()) + 1)
        return Value::error(ErrorValue::Value);
    out = *serial;
    return std::nullopt;
}

Value datevalue(CalcContext& context, Args args) {
    double serial = 0;
    if (auto failure = readDateText(context, args, serial)) return *failure;
    return Value::number(std::floor(serial));
}

Value timevalue(CalcContext& context, Args args) {
    double serial = 0;
    if (auto failure = readDateText(context, args, serial)) return *failure;
    return Value::number(serial - std::floor(serial));
}

template <typename Part>
Value datePart(CalcContext& context, Args args, Part part) {
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    return Value::number(double(part(civilDateOfSerial(day, context.uses1904Dates()))));
}

Value year(CalcContext& c, Args a) { return datePart(c, a, [](base::CivilDate d) { return d.year; }); }
Value month(CalcContext& c, Args a) { return datePart(c, a, [](base::CivilDate d) { return d.month; }); }
Value day(CalcContext& c, Args a) { return datePart(c, a, [](base::CivilDate d) { return d.day; }); }

template <typename Part>
Value timePart(CalcContext& context, Args args, Part part) {
    int64_t seconds = 0;
    if (auto failure = readSecondOfDay(context, args, seconds)) return *failure;
    return Value::number(double(part(seconds)));
}

Value hour(CalcContext& c, Args a) { return timePart(c, a, [](int64_t s) { return s / 3600; }); }
Value minute(CalcContext& c, Args a) { return timePart(c, a, [](int64_t s) { return s / 60 % 60; }); }
Value second(CalcContext& c, Args a) { return timePart(c, a, [](int64_t s) { return s % 60; }); }

Value today(CalcContext& context, Args) { return Value::number(std::floor(context.now())); }
Value now(CalcContext& context, Args) { return Value::number(context.now()); }

// WEEKDAY's return types: which day counts first, and whether it counts from 0 or 1.
struct WeekStart {
    int firstDay;  // 0 = Sunday
    int base;
};
std::optional<WeekStart> weekdayType(int64_t type) {
    if (type == 1) return WeekStart{0, 1};
    if (type == 2) return WeekStart{1, 1};
    if (type == 3) return WeekStart{1, 0};
    if (type >= 11 && type <= 17) return WeekStart{int((type - 10) % 7), 1};
    return std::nullopt;
}

Value weekday(CalcContext& context, Args args) {
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    NumberResult type = arguments::integer(args, 1, context.uses1904Dates(), 1);
    if (!type.ok()) return errorOf(type);
    std::optional<WeekStart> start = weekdayType(int64_t(type.number));
    if (!start) return Value::error(ErrorValue::Num);
    int dow = dayOfWeek(day, context.uses1904Dates());
    return Value::number(double((dow - start->firstDay + 7) % 7 + start->base));
}

double firstOfYear(int64_t year, bool date1904) { return serialOfCivilDate(year, 1, 1, date1904); }

int64_t isoWeek(int64_t day, bool date1904) {
    int isoDay = (dayOfWeek(day, date1904) + 6) % 7;  // Monday 0
    int64_t thursday = day - isoDay + 3;
    int64_t year = civilDateOfSerial(thursday, date1904).year;
    return (thursday - int64_t(firstOfYear(year, date1904))) / 7 + 1;
}

Value isoweeknum(CalcContext& context, Args args) {
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    return Value::number(double(isoWeek(day, context.uses1904Dates())));
}

// WEEKNUM: the week holding 1 January is week 1; type 21 is the ISO week.
Value weeknum(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    NumberResult type = arguments::integer(args, 1, date1904, 1);
    if (!type.ok()) return errorOf(type);
    auto t = int64_t(type.number);
    if (t == 21) return Value::number(double(isoWeek(day, date1904)));
    int firstDay = 0;
    if (t == 1 || t == 17) firstDay = 0;
    else if (t == 2 || t == 11) firstDay = 1;
    else if (t >= 12 && t <= 16) firstDay = int(t - 10);
    else return Value::error(ErrorValue::Num);
    auto jan1 = int64_t(firstOfYear(civilDateOfSerial(day, date1904).year, date1904));
    int offset = (dayOfWeek(jan1, date1904) - firstDay + 7) % 7;
    return Value::number(double((day - jan1 + offset) / 7 + 1));
}

// EDATE and EOMONTH: the start moved by whole months.
std::optional<Value> readMonthShift(CalcContext& context, Args args, base::CivilDate& out) {
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    NumberResult months = arguments::integer(args, 1, context.uses1904Dates());
    if (!months.ok()) return errorOf(months);
    out = civilDateOfSerial(day, context.uses1904Dates());
    int64_t total = out.year * 12 + (out.month - 1) + int64_t(months.number);
    int64_t firstYear = context.uses1904Dates() ? 1904 : 1900;
    if (total < firstYear * 12 || total >= 10000 * 12) return Value::error(ErrorValue::Num);
    out.year = total / 12;
    out.month = unsigned(total % 12 + 1);
    return std::nullopt;
}

Value edate(CalcContext& context, Args args) {
    base::CivilDate shifted{};
    if (auto failure = readMonthShift(context, args, shifted)) return *failure;
    bool date1904 = context.uses1904Dates();
    unsigned day = std::min(shifted.day, monthLength(shifted.year, shifted.month, date1904));
    return dateResult(serialOfCivilDate(shifted.year, shifted.month, 1, date1904) + double(day) - 1, date1904);
}

Value eomonth(CalcContext& context, Args args) {
    base::CivilDate shifted{};
    if (auto failure = readMonthShift(context, args, shifted)) return *failure;
    bool date1904 = context.uses1904Dates();
    unsigned last = monthLength(shifted.year, shifted.month, date1904);
    return dateResult(serialOfCivilDate(shifted.year, shifted.month, 1, date1904) + double(last) - 1, date1904);
}

Value days(CalcContext& context, Args args) {
    int64_t end = 0, start = 0;
    if (auto failure = readDay(context, args, 0, end)) return *failure;
    if (auto failure = readDay(context, args, 1, start)) return *failure;
    return Value::number(double(end - start));
}

Value datedif(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    int64_t start = 0, end = 0;
    if (auto failure = readDay(context, args, 0, start)) return *failure;
    if (auto failure = readDay(context, args, 1, end)) return *failure;
    TextResult unit = arguments::text(args, 2);
    if (!unit.ok()) return errorOf(unit);
    if (start > end) return Value::error(ErrorValue::Num);
    std::optional<int64_t> result = dateDifference(start, end, unit.text, date1904);
    if (!result) return Value::error(ErrorValue::Num);
    return Value::number(double(*result));
}

// The holidays of NETWORKDAYS and WORKDAY, as whole days, sorted.
std::optional<Value> readHolidays(CalcContext& context, Args args, size_t index, std::vector<int64_t>& out) {
    if (arguments::isOmitted(args, index)) return std::nullopt;
    bool date1904 = context.uses1904Dates();
    std::optional<ErrorValue> error;
    arguments::forEachValue(context, args[index], [&](const Value& v, arguments::Source) {
        if (error) return;
        NumberResult n = v.isBoolean() ? NumberResult{0, ErrorValue::Value} : toNumber(v, date1904);
        if (!n.ok()) error = n.error;
        else if (!isDateSerial(n.number, date1904)) error = ErrorValue::Num;
        else out.push_back(int64_t(std::floor(n.number)));
    });
    if (error) return Value::error(*error);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return std::nullopt;
}

Value networkdays(CalcContext& context, Args args) {
    int64_t start = 0, end = 0;
    if (auto failure = readDay(context, args, 0, start)) return *failure;
    if (auto failure = readDay(context, args, 1, end)) return *failure;
    std::vector<int64_t> holidays;
    if (auto failure = readHolidays(context, args, 2, holidays)) return *failure;
    bool date1904 = context.uses1904Dates();
    int64_t sign = start <= end ? 1 : -1;
    if (start > end) std::swap(start, end);
    int64_t count = workdaysBetween(start, end, date1904);
    for (int64_t h : holidays)
        if (h >= start && h <= end && isWorkday(h, date1904)) --count;
    return Value::number(double(sign * count));
}

Value workday(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    int64_t day = 0;
    if (auto failure = readDay(context, args, 0, day)) return *failure;
    NumberResult count = arguments::integer(args, 1, date1904);
    if (!count.ok()) return errorOf(count);
    std::vector<int64_t> holidays;
    if (auto failure = readHolidays(context, args, 2, holidays)) return *failure;
    auto remaining = int64_t(std::fabs(count.number));
    int64_t step = count.number < 0 ? -1 : 1;
    auto last = int64_t(lastDateSerial(date1904));
    while (remaining > 0) {
        day += step;
        if (day < 0 || day > last) return Value::error(ErrorValue::Num);
        if (isWorkday(day, date1904) && !std::binary_search(holidays.begin(), holidays.end(), day)) --remaining;
    }
    return Value::number(double(day));
}

Value yearfrac(CalcContext& context, Args args) {
    bool date1904 = context.uses1904Dates();
    int64_t start = 0, end = 0;
    if (auto failure = readDay(context, args, 0, start)) return *failure;
    if (auto failure = readDay(context, args, 1, end)) return *failure;
    NumberResult basis = arguments::integer(args, 2, date1904);
    if (!basis.ok()) return errorOf(basis);
    if (basis.number < 0 || basis.number > 4) return Value::error(ErrorValue::Num);
    if (start > end) std::swap(start, end);
    return Value::number(yearFraction(start, end, int(basis.number), date1904));
}

constexpr std::array kDateFunctions{
    FunctionDefinition{"DATE", 3, 3, 0, date},
    FunctionDefinition{"DATEVALUE", 1, 1, 0, datevalue},
    FunctionDefinition{"TIME", 3, 3, 0, time},
    FunctionDefinition{"TIMEVALUE", 1, 1, 0, timevalue},
    FunctionDefinition{"YEAR", 1, 1, 0, year},
    FunctionDefinition{"MONTH", 1, 1, 0, month},
    FunctionDefinition{"DAY", 1, 1, 0, day},
    FunctionDefinition{"HOUR", 1, 1, 0, hour},
    FunctionDefinition{"MINUTE", 1, 1, 0, minute},
    FunctionDefinition{"SECOND", 1, 1, 0, second},
    FunctionDefinition{"TODAY", 0, 0, 0, today, true},
    FunctionDefinition{"NOW", 0, 0, 0, now, true},
    FunctionDefinition{"WEEKDAY", 1, 2, 0, weekday},
    FunctionDefinition{"WEEKNUM", 1, 2, 0, weeknum},
    FunctionDefinition{"ISOWEEKNUM", 1, 1, 0, isoweeknum},
    FunctionDefinition{"EDATE", 2, 2, 0, edate},
    FunctionDefinition{"EOMONTH", 2, 2, 0, eomonth},
    FunctionDefinition{"DAYS", 2, 2, 0, days},
    FunctionDefinition{"DATEDIF", 3, 3, 0, datedif},
    FunctionDefinition{"NETWORKDAYS", 2, 3, 1u << 2, networkdays},
    FunctionDefinition{"WORKDAY", 2, 3, 1u << 2, workday},
    FunctionDefinition{"YEARFRAC", 2, 3, 0, yearfrac},
};

}  // namespace

std::span<const FunctionDefinition> dateFunctions() { return kDateFunctions; }

}  // namespace tavlora::host::formula
