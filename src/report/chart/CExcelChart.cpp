#include "tavlora/CExcelChart.h"

#include "com/Conversions.h"
#include "com/Error.h"
#include "report/common/MCommExcelRange.h"
#include "host/chart/Chart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::chart {

namespace {

// A list sized by nCount has slots 0 .. nCount. Like re-dimensioning an array to an upper bound
// below its lower bound, a negative count is error 9.
size_t slotsFor(int16_t nCount) {
    if (nCount < 0)
        throw com::Error(com::hr::kSubscriptOutOfRange,
                         "Subscript out of range: a list cannot be sized to " + std::to_string(nCount));
    return static_cast<size_t>(nCount) + 1;
}

int16_t highestSlot(size_t slots) { return com::narrowToInt16(static_cast<int64_t>(slots) - 1); }

// Arrays held by a Variant are shared references; the stored value must not change when the
// caller later edits its array.
com::Variant deepCopy(const com::Variant& value) {
    if (value.type() != com::VarType::Array || !value.asArray()) return value;
    const com::SafeArray& source = *value.asArray();
    std::vector<com::Variant> items;
    items.reserve(source.items.size());
    for (const auto& item : source.items) items.push_back(deepCopy(item));
    return com::Variant::array(std::move(items), source.lowerBound);
}

}  // namespace

bool CExcelChart::isPieType(int32_t eChartType) {
    switch (eChartType) {
        case host::charttype::kPie:
        case host::charttype::kPieOfPie:
        case host::charttype::kPieExploded:
        case host::charttype::k3DPieExploded:
        case host::charttype::kBarOfPie: return true;
        default: return false;
    }
}

CExcelChart::CExcelChart() : arrSeriesName_(1), arrSeriesValue_(1), arrGroupName_(1) {}

CExcelChart::~CExcelChart() = default;

std::string CExcelChart::GetRangeSheet(const std::string& strSheet) const {
    return strSheet.empty() ? rangeSheet_ : strSheet;
}

bool CExcelChart::isSeriesIndex(int16_t nIndex) const { return nIndex >= 0 && nIndex < oGetSeriesCount(); }

bool CExcelChart::isGroupSlot(int16_t nIndex) const {
    return nIndex >= 0 && static_cast<size_t>(nIndex) < arrGroupName_.size();
}

void CExcelChart::oSetGroupCount(int16_t nCount) { arrGroupName_.assign(slotsFor(nCount), std::string()); }

int16_t CExcelChart::oGetGroupCount(bool bRangeGroup) const {
    try {
        return highestSlot(arrGroupName_.size());
    } catch (...) {
        return -1;
    }
}

std::string CExcelChart::oGetGroupName(int16_t nIndex) const {
    if (nIndex < 0 || nIndex >= oGetGroupCount()) return "";
    return arrGroupName_[static_cast<size_t>(nIndex)];
}

bool CExcelChart::oSetGroupName(int16_t nIndex, const std::string& strGroupName) {
    if (!isGroupSlot(nIndex)) return false;
    arrGroupName_[static_cast<size_t>(nIndex)] = strGroupName;
    groupIsSheetRange_ = false;
    return true;
}

void CExcelChart::oSetSeriesCount(int16_t nCount) {
    const size_t slots = slotsFor(nCount);
    arrSeriesName_.assign(slots, std::string());
    arrSeriesValue_.assign(slots, com::Variant());
}

int16_t CExcelChart::oGetSeriesCount() const { return highestSlot(arrSeriesName_.size()); }

std::string CExcelChart::oGetSeriesName(int16_t nIndex) const {
    if (!isSeriesIndex(nIndex)) return "";
    return arrSeriesName_[static_cast<size_t>(nIndex)];
}

bool CExcelChart::oSetSeriesName(int16_t nIndex, const std::string& strSeriesName) {
    if (!isSeriesIndex(nIndex)) return false;
    arrSeriesName_[static_cast<size_t>(nIndex)] = strSeriesName;
    return true;
}

bool CExcelChart::oSetSeriesValue(int16_t nIndex, const com::Variant& vtSeriesValue) {
    if (!isSeriesIndex(nIndex)) return false;
    arrSeriesValue_[static_cast<size_t>(nIndex)] = deepCopy(vtSeriesValue);
    return true;
}

bool CExcelChart::oSetSeriesValue_Data(int16_t nIndex, int16_t nGroupCount, const com::Variant& vtValueSet,
                                       bool bRange) {
    const std::string formula = common::MCommExcelRange::BuildNumberArrayFormula(vtValueSet, nGroupCount, bRange);
    return oSetSeriesValue(nIndex, com::Variant(formula));
}

bool CExcelChart::oSetSeriesValue_Range(int16_t nIndex, int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1,
                                        const std::string& strSheet) {
    if (!isSeriesIndex(nIndex)) return false;
    arrSeriesValue_[static_cast<size_t>(nIndex)] = com::Variant(
        common::MCommExcelRange::SheetRangeRefR1C1(GetRangeSheet(strSheet), nRow, nCol, nRow1, nCol1, true));
    return true;
}

bool CExcelChart::oSetSeriesValue_Range1(int16_t nIndex, const std::string& strPos, const std::string& strPos1,
                                         const std::string& strSheet) {
    if (!isSeriesIndex(nIndex)) return false;
    const std::string reference =
        common::MCommExcelRange::SheetRangeRefA1(workbook_, GetRangeSheet(strSheet), strPos, strPos1, true);
    if (reference.empty()) return false;
    arrSeriesValue_[static_cast<size_t>(nIndex)] = com::Variant(reference);
    return true;
}

bool CExcelChart::oSetSeriesName_Range(int16_t nIndex, int32_t nRow, int32_t nCol, const std::string& strSheet) {
    if (!isSeriesIndex(nIndex)) return false;
    arrSeriesName_[static_cast<size_t>(nIndex)] =
        common::MCommExcelRange::SheetCellRefR1C1(GetRangeSheet(strSheet), nRow, nCol, true);
    return true;
}

bool CExcelChart::oSetSeriesName_Range1(int16_t nIndex, const std::string& strPos, const std::string& strSheet) {
    if (!isSeriesIndex(nIndex)) return false;
    const std::string reference =
        common::MCommExcelRange::SheetCellRefA1(workbook_, GetRangeSheet(strSheet), com::Variant(strPos), true);
    if (reference.empty()) return false;
    arrSeriesName_[static_cast<size_t>(nIndex)] = reference;
    return true;
}

bool CExcelChart::oSetGroupName_Range(int16_t nIndex, int32_t nRow, int32_t nCol, const std::string& strSheet) {
    if (!isGroupSlot(nIndex)) return false;
    arrGroupName_[static_cast<size_t>(nIndex)] =
        common::MCommExcelRange::SheetCellRefR1C1(GetRangeSheet(strSheet), nRow, nCol, false);
    groupIsSheetRange_ = true;
    return true;
}

bool CExcelChart::oSetGroupName_Range1(int16_t nIndex, const std::string& strPos, const std::string& strSheet) {
    if (!isGroupSlot(nIndex)) return false;
    const std::string reference =
        common::MCommExcelRange::SheetCellRefA1(workbook_, GetRangeSheet(strSheet), com::Variant(strPos), false);
    if (reference.empty()) return false;
    arrGroupName_[static_cast<size_t>(nIndex)] = reference;
    groupIsSheetRange_ = true;
    return true;
}

}  // namespace tavlora::chart
