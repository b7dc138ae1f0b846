#include "report/common/MCommExcelRange.h"

#include "com/Conversions.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "report/common/Failures.h"
#include "report/common/SheetAcquisition.h"

namespace tavlora::common::MCommExcelIn {

std::string BuildSheetPrefix(const std::string& strSheet, bool bFormula) {
    return bFormula ? "=" + strSheet + "!" : strSheet + "!";
}

}  // namespace tavlora::common::MCommExcelIn

namespace tavlora::common::MCommExcelRange {

namespace {

// The last index of a 0-based loop over nCount elements, in 16 bits as the loop counter is.
int16_t lastIndexOf(int16_t nCount) { return com::narrowToInt16(int64_t{nCount} - 1); }

const com::Variant& elementAt(const com::Variant& array, int32_t index) {
    if (array.type() != com::VarType::Array || !array.asArray())
        throw com::Error(com::hr::kSubscriptOutOfRange, "Subscript out of range: the values are not an array");
    return array.asArray()->at(index);
}

// The host's global Range refuses every address while a chart sheet is active, and drawing a
// chart on a new chart sheet activates it: the A1 setters would then fail for every later chart.
// Where a cell is does not depend on the sheet, so the text is then resolved on a worksheet.
host::Range resolveAddress(const host::Workbook& workbook, const std::string& strPos) {
    auto active = workbook.activeSheet();
    if (active && active->kind() != host::SheetKind::Worksheet) {
        auto worksheets = workbook.worksheets();
        if (!worksheets.empty()) return worksheets.front()->range(strPos);
    }
    return workbook.application()->range(strPos);
}

}  // namespace

std::string RowColToR1C1(int32_t nRow, int32_t nCol) {
    return "R" + std::to_string(nRow) + "C" + std::to_string(nCol);
}

std::string A1ToR1C1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strPos) {
    try {
        if (!workbook || !workbook->application()) return "";
        const host::Range range = resolveAddress(*workbook, strPos);
        return RowColToR1C1(range.row(), range.column());
    } catch (...) {
        return "";
    }
}

std::string RowColRangeToR1C1(int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1) {
    return RowColToR1C1(nRow, nCol) + ":" + RowColToR1C1(nRow1, nCol1);
}

std::string A1RangeToR1C1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strPos,
                          const std::string& strPos1) {
    const std::string first = A1ToR1C1(workbook, strPos);
    if (first.empty()) return "";
    const std::string second = A1ToR1C1(workbook, strPos1);
    if (second.empty()) return "";
    return first + ":" + second;
}

std::string SheetCellRefR1C1(const std::string& strSheet, int32_t nRow, int32_t nCol, bool bFormula) {
    return MCommExcelIn::BuildSheetPrefix(strSheet, bFormula) + RowColToR1C1(nRow, nCol);
}

std::string SheetCellRefA1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strSheet,
                           const com::Variant& vtPos, bool bFormula) {
    try {
        const std::string cell = A1ToR1C1(workbook, com::toText(vtPos));
        if (cell.empty()) return "";
        return MCommExcelIn::BuildSheetPrefix(strSheet, bFormula) + cell;
    } catch (...) {
        return "";
    }
}

std::string SheetRangeRefR1C1(const std::string& strSheet, int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1,
                              bool bFormula) {
    return MCommExcelIn::BuildSheetPrefix(strSheet, bFormula) + RowColRangeToR1C1(nRow, nCol, nRow1, nCol1);
}

std::string SheetRangeRefA1(const std::shared_ptr<host::Workbook>& workbook, const std::string& strSheet,
                            const std::string& strPos, const std::string& strPos1, bool bFormula) {
    const std::string range = A1RangeToR1C1(workbook, strPos, strPos1);
    if (range.empty()) return "";
    return MCommExcelIn::BuildSheetPrefix(strSheet, bFormula) + range;
}

std::optional<host::Range> GetSheetRangeByRowCol(const std::shared_ptr<host::Workbook>& workbook,
                                                 const std::string& strSheet, int32_t nRow, int32_t nCol,
                                                 int32_t nRow1, int32_t nCol1) {
    try {
        auto sheet = common::MCommExcel::GetWorksheetByName(workbook, strSheet, false, false);
        if (!sheet) {
            noteCause("the workbook has no worksheet named '" + strSheet + "'");
            return std::nullopt;
        }
        if (nRow1 != 0 && nCol1 != 0) return sheet->range(sheet->cell(nRow, nCol), sheet->cell(nRow1, nCol1));
        return sheet->cell(nRow, nCol);
    } catch (...) {
        noteCause(describeException(std::current_exception()));
        return std::nullopt;
    }
}

std::optional<host::Range> GetSheetRangeByA1(const std::shared_ptr<host::Workbook>& workbook,
                                             const std::string& strSheet, const std::string& strPos,
                                             const std::string& strPos1) {
    try {
        auto sheet = common::MCommExcel::GetWorksheetByName(workbook, strSheet, false, false);
        if (!sheet) {
            noteCause("the workbook has no worksheet named '" + strSheet + "'");
            return std::nullopt;
        }
        return sheet->range(strPos1.empty() ? strPos : strPos + ":" + strPos1);
    } catch (...) {
        noteCause(describeException(std::current_exception()));
        return std::nullopt;
    }
}

com::Variant BuildRefUnionOrArray(const std::vector<std::string>& astrItems, int16_t nCount, bool bRefs) {
    if (!bRefs) {
        std::vector<com::Variant> items(astrItems.begin(), astrItems.end());
        return com::Variant::array(std::move(items));
    }
    const int16_t last = lastIndexOf(nCount);
    std::string text = "=(";
    for (int32_t i = 0; i <= last; ++i) {
        if (static_cast<size_t>(i) >= astrItems.size())
            throw com::Error(com::hr::kSubscriptOutOfRange, "Subscript out of range: no reference at index " +
                                                                std::to_string(i));
        text += astrItems[static_cast<size_t>(i)];
        if (i < last) text += ",";
    }
    return com::Variant(text + ")");
}

std::string BuildNumberArrayFormula(const com::Variant& avtValues, int16_t nCount, bool bParen) {
    const int16_t last = lastIndexOf(nCount);
    std::string text = bParen ? "=(" : "={";
    for (int32_t i = 0; i <= last; ++i) {
        text += com::formatGeneralNumber(com::toDouble(elementAt(avtValues, i)));
        if (i < last) text += ",";
    }
    text += bParen ? ")" : "}";
    return text;
}

}  // namespace tavlora::common::MCommExcelRange
