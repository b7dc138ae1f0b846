#include "tavlora/CExcelChart.h"

#include "com/Conversions.h"
#include "report/common/CellWriting.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "report/common/SheetAcquisition.h"

namespace tavlora::chart {

// Worksheets only: a chart sheet of that name is no target. A null CurWk is error 91.
std::shared_ptr<host::Worksheet> CExcelChart::targetWorksheet(const std::string& strSheet) const {
    return common::MCommExcel::GetWorksheetByName(workbook_, strSheet, false, false);
}

bool CExcelChart::DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue,
                                   const std::string& strSheet) {
    auto sheet = targetWorksheet(strSheet);
    if (!sheet) return false;
    return common::MCommExcel::WriteCellByRowCol(sheet, com::narrowToInt16(nRow), com::narrowToInt16(nCol), strValue);
}

bool CExcelChart::DoA_OutputString1(const std::string& strPos, const std::string& strValue,
                                    const std::string& strSheet) {
    auto sheet = targetWorksheet(strSheet);
    if (!sheet) return false;
    return common::MCommExcel::WriteCellByAddress(sheet, strPos, strValue);
}

int32_t CExcelChart::DoA_ReplaceText(const std::string& strName, const std::string& strValue,
                                     const std::string& strSheet) {
    auto sheet = targetWorksheet(strSheet);
    if (!sheet) return 0;
    return common::MCommExcel::ReplaceAllInSheet(sheet, strName, strValue);
}

int32_t CExcelChart::DoA_ReplaceWhiteDot(const std::string& strName, const std::string& strValue,
                                         const std::string& strSheet) {
    auto sheet = targetWorksheet(strSheet);
    if (!sheet) return 0;
    return common::MCommExcel::ReplaceWhiteDotInSheet(sheet, strName, strValue);
}

}  // namespace tavlora::chart
