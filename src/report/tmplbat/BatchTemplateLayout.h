#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tavlora/SWhiteCol.h"

namespace tavlora::host {
class Worksheet;
}

namespace tavlora::tmplbat {

// End modes for row 1 and column A, read from cell A6 of a list template.
namespace ctrlmode {
constexpr int32_t kKeep = 0;
constexpr int32_t kClear = 1;
constexpr int32_t kDelete = 2;
}  // namespace ctrlmode

// How a list template lays records out, as its control area (row 1 and column A) describes it:
//   A1        key field; empty = records follow one another
//   A2 / A4   first output column [, column count]   (count < 1: to the used range's last column)
//   A3 / A5   first row of the first block [, number of key label rows]
//   A6        end mode: "1" or empty clear, "2" delete, anything else keep
//   row 1     one column definition per output column: FIELD, FIELD(offset), FIELD(offset,step)
// Counts, rows and columns are 16-bit, as the template arithmetic has always been.
struct BatchTemplateLayout {
    std::string strKeyFld;
    int16_t nColStart = 0;
    int16_t nColCount = 0;
    int16_t nRowStart = 0;
    int16_t nRowCount = 0;
    std::vector<std::string> arrKeyText;  // entry i: text of column A at row nRowStart + i (keyed only)
    std::vector<SWhiteCol> arrWhiteCol;   // entry i: output column nColStart + i
    std::vector<int16_t> arrFldIndex;     // per output column: recordset field position, -1 = none
    int16_t nKeyFldIndex = 0;
    int32_t nCtrlMode = ctrlmode::kClear;

    // Reads the control area of `sheet`. False on any failure (a host error, a 16-bit overflow, a
    // bad pair or a bad number inside a column definition); what was read up to the failure
    // stays, the rest keeps its earlier value.
    bool ReadTemplateLayout(host::Worksheet& sheet);
    // Empties the three arrays; the scalar fields keep their values.
    void ClearTemplateLayout();

    // Sheet row of output column nColIndex (0-based) for the record whose block position is nRow:
    // (nRow - nRowStart) * nRowAdd + (nRowOffset + nRowStart), every step 16-bit.
    // REQUIRES: nColIndex < arrWhiteCol.size() (error 9 otherwise). Overflow is error 6.
    // Inline, its steps checked in place: it runs for every cell of every record.
    int16_t GetRecordCellRow(int16_t nRow, int16_t nColIndex) const {
        if (nColIndex < 0 || static_cast<size_t>(nColIndex) >= arrWhiteCol.size()) throwNoSuchColumn();
        const SWhiteCol& column = arrWhiteCol[static_cast<size_t>(nColIndex)];
        const int16_t blocksDown = narrowStep(int32_t(nRow) - nRowStart);
        const int16_t rowsDown = narrowStep(int32_t(blocksDown) * column.nRowAdd);
        const int16_t firstRow = narrowStep(int32_t(column.nRowOffset) + nRowStart);
        return narrowStep(int32_t(rowsDown) + firstRow);
    }

    // Parses one column definition (full-width brackets and comma accepted). False, with the
    // defaults left in udtCol, for an empty text or a bracket without its closing partner. A number
    // inside the brackets that is empty or not numeric, or a comma outside them, throws com::Error.
    static bool ParseColumnSpec(const std::string& strText, SWhiteCol& udtCol);

    bool isKeyed() const { return !strKeyFld.empty(); }

private:
    [[noreturn]] static void throwNoSuchColumn();
    // A step of GetRecordCellRow narrowed to 16 bits; out of range: error 6, as com::narrowToInt16.
    static int16_t narrowStep(int32_t value) {
        if (value < INT16_MIN || value > INT16_MAX) throwStepOverflow(value);
        return static_cast<int16_t>(value);
    }
    [[noreturn]] static void throwStepOverflow(int32_t value);
};

}  // namespace tavlora::tmplbat
