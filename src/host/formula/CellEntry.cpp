#include "host/formula/CellEntry.h"

#include <string>

namespace tavlora::host::formula {

Value CellEntry::value() const {
    switch (kind) {
        case Value::Kind::Number: return Value::number(number);
        case Value::Kind::Text: return Value::text(std::string(text));
        case Value::Kind::Boolean: return Value::boolean(number != 0);
        case Value::Kind::Error: return Value::error(error);
        default: return Value();
    }
}

CellEntry cellEntryOf(const Value& value, int32_t row, int32_t column) {
    CellEntry entry;
    entry.row = row;
    entry.column = column;
    entry.kind = value.kind();
    if (value.isNumber()) entry.number = value.asNumber();
    else if (value.isText()) entry.text = value.asText();
    else if (value.isBoolean()) entry.number = value.asBoolean() ? 1 : 0;
    else if (value.isError()) entry.error = value.asError();
    return entry;
}

}  // namespace tavlora::host::formula
