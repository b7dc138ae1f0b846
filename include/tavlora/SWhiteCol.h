#pragma once
#include <cstdint>
#include <string>

namespace tavlora::tmplbat {

// One output column of a list template, read from its definition cell in row 1:
// FIELD, FIELD(offset) or FIELD(offset,step).
struct SWhiteCol {
    std::string strFld;      // field (recordset) or attribute (XML) name; "" = the column is not filled
    int16_t nRowOffset = 0;  // row of the column's cell inside a record's block
    int16_t nRowAdd = 1;     // rows per record: distance between consecutive blocks

    bool operator==(const SWhiteCol&) const = default;
};

}  // namespace tavlora::tmplbat
