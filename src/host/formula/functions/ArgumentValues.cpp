#include "host/formula/functions/ArgumentValues.h"

namespace tavlora::host::formula::functions {

namespace {

void visitArea(CalcContext& context, const SheetArea& area, const CellFilter& filter,
               const ArgumentValueVisitor& visit) {
    if (!filter.any()) {
        context.forEachValue(area, [&](int32_t, int32_t, const Value& value) { visit(value, ValueOrigin::Cell); });
        return;
    }
    context.forEachValue(area, [&](int32_t row, int32_t column, const Value& value) {
        if (filter.skipHiddenRows && context.isRowHidden(area.sheet, row)) return;
        if (filter.skipSubtotals && context.isSubtotalFormula(area.sheet, row, column)) return;
        visit(value, ValueOrigin::Cell);
    });
}

}  // namespace

void forEachArgumentValue(CalcContext& context, std::span<const Value> arguments, const CellFilter& filter,
                          const ArgumentValueVisitor& visit) {
    for (const Value& argument : arguments) {
        if (argument.isReference()) {
            for (const SheetArea& area : argument.asReferences()) visitArea(context, area, filter, visit);
        } else if (argument.isArray()) {
            for (const Value& element : argument.asArray().values) visit(element, ValueOrigin::ArrayElement);
        } else {
            visit(argument, ValueOrigin::Direct);
        }
    }
}

int64_t referencedCellCount(std::span<const Value> arguments) {
    int64_t count = 0;
    for (const Value& argument : arguments)
        if (argument.isReference())
            for (const SheetArea& area : argument.asReferences()) count += area.area.cellCount();
    return count;
}

}  // namespace tavlora::host::formula::functions
