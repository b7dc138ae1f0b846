#include "host/formula/functions/ListArguments.h"

namespace tavlora::host::formula::arguments {

void forEachValue(CalcContext& context, const Value& argument, const ValueVisitor& visit) {
    if (argument.isReference()) {
        for (const SheetArea& area : argument.asReferences())
            context.forEachValue(area, [&](int32_t, int32_t, const Value& value) { visit(value, Source::Cell); });
    } else if (argument.isArray()) {
        for (const Value& value : argument.asArray().values) visit(value, Source::ArrayElement);
    } else {
        visit(argument, Source::Direct);
    }
}

}  // namespace tavlora::host::formula::arguments
