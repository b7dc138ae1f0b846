#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tavlora::data {
class Recordset;
}

// Value tests and field look-ups the template fillers share.
namespace tavlora::common::MCommFun {

// True when the text is numeric text whose value lies strictly between -1e-7 and 1e-7.
// Any other text (empty, not numeric) gives false; never fails.
bool IsZeroValue(const std::string& strValue);
// The same test for a number already read from its text.
bool IsZeroNumber(double value);

// The text of the named field's value in the recordset's current row (name compared without
// regard to letter case). A missing recordset or field, a Null value, or any other failure gives
// the empty text; never fails.
std::string GetFieldText(const std::shared_ptr<data::Recordset>& rst, const std::string& strFldName);
std::string GetFieldText(const data::Recordset& rst, const std::string& strFldName);

// Position from 0 of the first field whose name equals strFldName after upper-casing both; -1
// when no field has it. Failures of the data layer reach the caller (no recordset: error 91).
int16_t FindFieldIndex(const std::shared_ptr<data::Recordset>& rst, const std::string& strFldName);
int16_t FindFieldIndex(const data::Recordset& rst, const std::string& strFldName);

}  // namespace tavlora::common::MCommFun
