#pragma once
#include <cstdint>

namespace tavlora::host {

enum class CellKind : uint8_t {
    Empty,    // no value, but the cell may carry a style
    Number,
    String,   // payload.stringId into the workbook's StringPool
    Boolean,
    Error,    // payload.stringId holds the error text ("#N/A", "#REF!", ...)
    Formula,  // payload.formulaId into CellStore::formulas()
};

}  // namespace tavlora::host
