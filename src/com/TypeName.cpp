#include "com/TypeName.h"

namespace tavlora::com {

const char* typeName(VarType type) {
    switch (type) {
        case VarType::Empty: return "Empty";
        case VarType::Null: return "Null";
        case VarType::Boolean: return "Boolean";
        case VarType::Integer: return "Integer";
        case VarType::Long: return "Long";
        case VarType::LongLong: return "LongLong";
        case VarType::Double: return "Double";
        case VarType::Currency: return "Currency";
        case VarType::Date: return "Date";
        case VarType::String: return "String";
        case VarType::Object: return "Object";
        case VarType::Array: return "Array";
        case VarType::Error: return "Error";
        case VarType::Any: return "Variant";
    }
    return "Variant";
}

}  // namespace tavlora::com
