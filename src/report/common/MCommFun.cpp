#include "report/common/MCommFun.h"

#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "data/Recordset.h"

namespace tavlora::common::MCommFun {

bool IsZeroValue(const std::string& strValue) {
    try {
        double value = 0;
        if (!com::parseNumericText(strValue, value)) return false;
        return IsZeroNumber(value);
    } catch (...) {
        return false;
    }
}

bool IsZeroNumber(double value) { return value > -1e-7 && value < 1e-7; }

std::string GetFieldText(const std::shared_ptr<data::Recordset>& rst, const std::string& strFldName) {
    if (!rst) return std::string();
    return GetFieldText(*rst, strFldName);
}

std::string GetFieldText(const data::Recordset& rst, const std::string& strFldName) {
    try {
        return com::toText(rst.Fields().Item(strFldName).Value());
    } catch (...) {
        return std::string();
    }
}

int16_t FindFieldIndex(const std::shared_ptr<data::Recordset>& rst, const std::string& strFldName) {
    if (!rst) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: no recordset was given");
    return FindFieldIndex(*rst, strFldName);
}

int16_t FindFieldIndex(const data::Recordset& rst, const std::string& strFldName) {
    // Compared in place: upper-casing both names made two texts per field per lookup.
    const data::Fields fields = rst.Fields();
    const int16_t count = com::narrowToInt16(fields.Count());
    for (int16_t index = 0; index < count; ++index) {
        if (com::equalsIgnoreCase(fields.Item(index).Name(), strFldName)) return index;
    }
    return -1;
}

}  // namespace tavlora::common::MCommFun
