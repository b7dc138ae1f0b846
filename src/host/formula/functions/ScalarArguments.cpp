#include "host/formula/functions/ScalarArguments.h"

#include <cmath>

namespace tavlora::host::formula::functions {

bool isAbsent(std::span<const Value> arguments, size_t index) {
    return index >= arguments.size() || arguments[index].isMissing();
}

Value singleValue(CalcContext& context, const Value& argument) {
    if (argument.isArray()) {
        const ValueArray& array = argument.asArray();
        return array.values.empty() ? Value::error(ErrorValue::Value) : array.values.front();
    }
    if (!argument.isReference()) return argument;
    const auto& areas = argument.asReferences();
    if (areas.size() != 1) return Value::error(ErrorValue::Value);
    const SheetArea& reference = areas.front();
    const Area& area = reference.area;
    if (area.cellCount() == 1) return context.cellValue(reference.sheet, area.firstRow, area.firstColumn);
    const SheetArea caller = context.caller();
    if (caller.sheet == reference.sheet) {
        if (area.columnCount() == 1 && caller.area.firstRow >= area.firstRow && caller.area.firstRow <= area.lastRow)
            return context.cellValue(reference.sheet, caller.area.firstRow, area.firstColumn);
        if (area.rowCount() == 1 && caller.area.firstColumn >= area.firstColumn &&
            caller.area.firstColumn <= area.lastColumn)
            return context.cellValue(reference.sheet, area.firstRow, caller.area.firstColumn);
    }
    return Value::error(ErrorValue::Value);
}

NumberResult numberArgument(CalcContext& context, std::span<const Value> arguments, size_t index,
                            double fallback) {
    if (isAbsent(arguments, index)) return {fallback, std::nullopt};
    const Value& value = arguments[index];
    if (value.isReference() || value.isArray()) return toNumber(singleValue(context, value), context.uses1904Dates());
    return toNumber(value, context.uses1904Dates());
}

NumberResult integerArgument(CalcContext& context, std::span<const Value> arguments, size_t index,
                             double fallback) {
    NumberResult result = numberArgument(context, arguments, index, fallback);
    if (result.ok()) result.number = std::trunc(result.number);
    return result;
}

BooleanResult booleanArgument(std::span<const Value> arguments, size_t index, bool fallback) {
    if (isAbsent(arguments, index)) return {fallback, std::nullopt};
    return toBoolean(arguments[index]);
}

Value numberValue(double number) {
    if (!std::isfinite(number)) return Value::error(ErrorValue::Num);
    return Value::number(number);
}

Value errorOf(const NumberResult& result) { return Value::error(result.error.value_or(ErrorValue::Value)); }

}  // namespace tavlora::host::formula::functions
