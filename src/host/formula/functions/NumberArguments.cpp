#include "host/formula/functions/NumberArguments.h"

#include <array>

#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/CellReader.h"

namespace tavlora::host::formula::functions {

namespace {

// The numbers of a reference's cells, read in bulk; texts, booleans and blanks are passed over.
void numbersOfArea(CalcContext& context, const SheetArea& area, const NumberBatchSink& sink,
                   const std::function<void(ErrorValue)>& fail) {
    CellReader reader(context, area);
    std::array<double, 64> numbers;
    for (std::span<const CellEntry> batch = reader.nextBatch(); !batch.empty(); batch = reader.nextBatch()) {
        size_t n = 0;
        for (const CellEntry& cell : batch) {
            if (cell.kind == Value::Kind::Number)
                numbers[n++] = cell.number;
            else if (cell.kind == Value::Kind::Error)
                fail(cell.error);
        }
        if (n) sink(std::span<const double>(numbers.data(), n));
    }
}

}  // namespace

std::optional<ErrorValue> forEachNumberRun(CalcContext& context, std::span<const Value> arguments,
                                           const NumberRules& rules, const NumberBatchSink& sink) {
    std::optional<ErrorValue> firstError;
    const std::function<void(ErrorValue)> fail = [&](ErrorValue error) {
        if (!rules.ignoreErrors && !firstError) firstError = error;
    };
    const bool date1904 = context.uses1904Dates();
    for (size_t i = 0; i < arguments.size(); ++i) {
        const Value& argument = arguments[i];
        if (argument.isReference() && !rules.filter.any()) {
            for (const SheetArea& area : argument.asReferences()) numbersOfArea(context, area, sink, fail);
            continue;
        }
        forEachArgumentValue(context, arguments.subspan(i, 1), rules.filter, [&](const Value& value, ValueOrigin origin) {
            double number;
            if (value.isNumber()) {
                number = value.asNumber();
            } else if (value.isError()) {
                return fail(value.asError());
            } else if (origin == ValueOrigin::Direct) {
                NumberResult converted = toNumber(value, date1904);
                if (!converted.ok()) return fail(*converted.error);
                number = converted.number;
            } else {
                return;
            }
            sink(std::span<const double>(&number, 1));
        });
    }
    return firstError;
}

std::optional<ErrorValue> forEachNumber(CalcContext& context, std::span<const Value> arguments,
                                        const NumberRules& rules, const NumberSink& sink) {
    return forEachNumberRun(context, arguments, rules, [&](std::span<const double> numbers) {
        for (double n : numbers) sink(n);
    });
}

NumberList collectNumbers(CalcContext& context, std::span<const Value> arguments, const NumberRules& rules) {
    NumberList list;
    list.error = forEachNumber(context, arguments, rules, [&](double n) { list.numbers.push_back(n); });
    if (list.error) list.numbers.clear();
    return list;
}

}  // namespace tavlora::host::formula::functions
