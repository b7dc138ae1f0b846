#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/Variant.h"
#include "host/Range.h"

namespace tavlora::host {
class Workbook;
}

// The sheet prefix of a chart reference formula.
namespace tavlora::common::MCommExcelIn {

// "=" + strSheet + "!" in formula form, strSheet + "!" otherwise. The name goes in as it is: never
// quoted, so a name with a blank gives "=My Data!".
std::string BuildSheetPrefix(const std::string& strSheet, bool bFormula);

}  // namespace tavlora::common::MCommExcelIn

// The texts a chart is given: R1C1 references (optionally sheet-qualified), unions of references
// and array constants, plus the look-up of live ranges on a named sheet. Stateless.
//
// Row and column numbers are written in plain decimal without any range check: (0, 0) gives R0C0.
// The A1 members resolve the address through the host's global Range of the workbook's
// application (so against its active sheet) and answer "" for anything that does not resolve.
namespace tavlora::common::MCommExcelRange {

std::string RowColToR1C1(int32_t nRow, int32_t nCol);
// The R1C1 cell of the top-left cell of strPos ("B3:D5" gives R3C2); "" on any failure, including
// no workbook.
std::string A1ToR1C1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strPos);
// The corners are written in the order given.
std::string RowColRangeToR1C1(int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1);
// Top-left cell of each address joined by ":"; "" when either does not resolve.
std::string A1RangeToR1C1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strPos,
                          const std::string& strPos1);

std::string SheetCellRefR1C1(const std::string& strSheet, int32_t nRow, int32_t nCol, bool bFormula);
// vtPos is taken as its text; "" when it does not resolve.
std::string SheetCellRefA1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strSheet,
                           const com::Variant& vtPos, bool bFormula);
std::string SheetRangeRefR1C1(const std::string& strSheet, int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1,
                              bool bFormula);
std::string SheetRangeRefA1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strSheet,
                            const std::string& strPos, const std::string& strPos1, bool bFormula);

// The block (nRow, nCol):(nRow1, nCol1) of the worksheet strSheet, or the single cell (nRow, nCol)
// when nRow1 or nCol1 is 0. None when the worksheet is missing (it is never added) or on any failure.
std::optional<host::Range> GetSheetRangeByRowCol(const std::shared_ptr<host::Workbook>& workbook,
                                                 const std::string& strSheet, int32_t nRow, int32_t nCol,
                                                 int32_t nRow1, int32_t nCol1);
// The range strPos + ":" + strPos1 (or strPos alone when strPos1 is "") of the worksheet strSheet.
std::optional<host::Range> GetSheetRangeByA1(const std::shared_ptr<host::Workbook>& workbook,
                                             const std::string& strSheet, const std::string& strPos,
                                             const std::string& strPos1);

// bRefs: "=(" items 0 .. nCount-1 joined by "," ")" (an index past the list is error 9, nCount
// -32768 is error 6). Otherwise an array value holding a copy of every item; nCount is not used.
com::Variant BuildRefUnionOrArray(const std::vector<std::string>& astrItems, int16_t nCount, bool bRefs);
// "={" (or "=(" with bParen) the general number texts of elements 0 .. nCount-1 joined by ","
// then "}" (or ")"). Indexes are absolute: an array based at 1 fails at element 0 (error 9), as
// does a value that is not an array; an element that is no number fails with the conversion's
// error (13, or 94 for Null); nCount -32768 is error 6.
std::string BuildNumberArrayFormula(const com::Variant& avtValues, int16_t nCount, bool bParen);

}  // namespace tavlora::common::MCommExcelRange
