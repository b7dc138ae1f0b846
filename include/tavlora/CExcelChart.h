#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "report/printjob/JobTarget.h"
#include "tavlora/Export.h"
#include "com/Variant.h"
#include "host/Range.h"

namespace tavlora::host {
class Chart;
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::printjob {
class CExcelBatDo;
}

namespace tavlora::chart {

// Builds charts in the job's workbook. The caller first describes the chart inside the object: a
// list of series (name and values) and a list of categories ("groups"), each given as data or as
// R1C1 references to sheet cells; DoA_Chart then draws it on a chart sheet or as an embedded
// chart. DoA_ChartFromRange instead lets the host split a block of cells into series. The chart
// drawn last (CurChart) is what DoA_SetStyle and DoA_SetTitle decorate.
//
// Each list sized by a count n has n + 1 slots, 0 .. n. Series are slots 0 .. n-1 (slot n is a
// spare nothing reads); categories reach a chart as slots 0 .. n-1 in reference mode and as every
// slot, the spare included, in text mode. Resizing a list empties it. CurSheet is kept and answered only.
class TAVLORA_API CExcelChart : public com::Dispatch, public printjob::JobTarget {
public:
    // The pie types that take a single series.
    static bool isPieType(int32_t eChartType);

    CExcelChart();
    ~CExcelChart() override;
    static std::shared_ptr<CExcelChart> create() { return std::make_shared<CExcelChart>(); }

    const std::shared_ptr<host::Chart>& CurChart() const { return chart_; }
    void setCurChart(std::shared_ptr<host::Chart> chart) { chart_ = std::move(chart); }

    // Categories. A negative count is error 9 and leaves the list as it was.
    void oSetGroupCount(int16_t nCount = 0);
    // bRangeGroup has no effect.
    int16_t oGetGroupCount(bool bRangeGroup = false) const;
    void oSetGroupIsSheetRange(bool bRange = false) { groupIsSheetRange_ = bRange; }
    bool oGetGroupIsSheetRange() const { return groupIsSheetRange_; }
    // "" outside 0 .. count-1.
    std::string oGetGroupName(int16_t nIndex) const;
    // Accepts 0 .. count (the spare slot too) and turns the whole list to text mode.
    bool oSetGroupName(int16_t nIndex, const std::string& strGroupName);

    // Series. A negative count is error 9 and leaves the lists as they were.
    void oSetSeriesCount(int16_t nCount);
    int16_t oGetSeriesCount() const;
    std::string oGetSeriesName(int16_t nIndex) const;
    bool oSetSeriesName(int16_t nIndex, const std::string& strSeriesName);
    // Stores a copy of the value (arrays are copied, not shared).
    bool oSetSeriesValue(int16_t nIndex, const com::Variant& vtSeriesValue);
    // Stores the array constant "={v0,...}" ("=(v0,...)" with bRange) of items 0 .. nGroupCount-1.
    // The text is built first: an item that is no number, too few items or an array not based at 0
    // fail the call (nothing stored) even when the index would be refused.
    bool oSetSeriesValue_Data(int16_t nIndex, int16_t nGroupCount, const com::Variant& vtValueSet,
                              bool bRange = false);

    // The sheet the reference setters use when they are given "".
    void oSetRange_Sheet(const std::string& strSheetName) { rangeSheet_ = strSheetName; }
    // "=Sheet!R2C2:R6C2" into the series values.
    bool oSetSeriesValue_Range(int16_t nIndex, int32_t nRow, int32_t nCol, int32_t nRow1, int32_t nCol1,
                               const std::string& strSheet);
    bool oSetSeriesValue_Range1(int16_t nIndex, const std::string& strPos, const std::string& strPos1,
                                const std::string& strSheet);
    // "=Sheet!R1C2" into the series names.
    bool oSetSeriesName_Range(int16_t nIndex, int32_t nRow, int32_t nCol, const std::string& strSheet);
    bool oSetSeriesName_Range1(int16_t nIndex, const std::string& strPos, const std::string& strSheet);
    // "Sheet!R2C1" (no "=") into the categories, which switch to reference mode.
    bool oSetGroupName_Range(int16_t nIndex, int32_t nRow, int32_t nCol, const std::string& strSheet);
    bool oSetGroupName_Range1(int16_t nIndex, const std::string& strPos, const std::string& strSheet);

    // Legend, data table and data labels of CurChart; nothing without one. Host failures reach
    // the caller, the steps before them stay done.
    void DoA_SetStyle(int32_t nDataLableFlag, bool bDataLableLegend = false, bool bHasLegend = true,
                      bool bHasDataTable = false);
    // Sets the title of CurChart; "" leaves any title as it is.
    void DoA_SetTitle(const std::string& strTitle);

    // Draws the held series and categories on the sheet strSheet: its chart sheet, an embedded chart
    // strChart on the worksheet of that name (added when missing or when strChart is ""), or a new
    // chart sheet of that name (a name the host refuses, "" included, leaves the host's own name,
    // which is then the one registered with the job). The target loses its old series; eChartType
    // 0 keeps the type. A pie type keeps only the first series. False when there is no series, no
    // workbook or no chart.
    bool DoA_Chart(const std::string& strSheet, int32_t eChartType = 0, const std::string& strChart = "");
    // Chooses the block (or the single cell when nRow1 or nCol1 is 0) of the worksheet strSheet as
    // the source of DoA_ChartFromRange; false (and no source) when there is none.
    bool DoA_ChartFromRange_SetData(const std::string& strSheet, int32_t nRow, int32_t nCol, int32_t nRow1 = 0,
                                    int32_t nCol1 = 0);
    bool DoA_ChartFromRange_SetData1(const std::string& strSheet, const std::string& strPos,
                                     const std::string& strPos1 = "");
    // Draws the chosen block, split into series by columns (bCol) or rows. Without a block the chart
    // is left empty and the answer is still true.
    bool DoA_ChartFromRange(const std::string& strSheet, bool bCol = true, int32_t eChartType = 0,
                            const std::string& strChart = "");

    // Texts on a worksheet of CurWk named strSheet (false / 0 when there is none). Host failures and
    // a row or column beyond 16 bits (error 6) reach the caller.
    bool DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue, const std::string& strSheet);
    bool DoA_OutputString1(const std::string& strPos, const std::string& strValue, const std::string& strSheet);
    int32_t DoA_ReplaceText(const std::string& strName, const std::string& strValue, const std::string& strSheet);
    // Replaces "%" + strName + "%".
    int32_t DoA_ReplaceWhiteDot(const std::string& strName, const std::string& strValue,
                                const std::string& strSheet);

    // The held description, slot by slot (spare slots included), and the chosen source block.
    const std::vector<std::string>& seriesNames() const { return arrSeriesName_; }
    const std::vector<com::Variant>& seriesValues() const { return arrSeriesValue_; }
    const std::vector<std::string>& groupNames() const { return arrGroupName_; }
    const std::optional<host::Range>& rangeData() const { return oRangeData_; }

    const com::DispatchTable& dispatchTable() const override;

private:
    static bool noWorkbook();
    std::string GetRangeSheet(const std::string& strSheet) const;
    bool isSeriesIndex(int16_t nIndex) const;
    bool isGroupSlot(int16_t nIndex) const;

    std::shared_ptr<host::Chart> PrepareChart(const std::string& strSheet, const std::string& strChart,
                                              bool bFromRange);
    std::shared_ptr<host::Chart> FindOrAddChart(const std::string& strSheet, const std::string& strChart);
    void findOrAddTarget(const std::string& strSheet, const std::string& strChart,
                         std::shared_ptr<host::Chart>& chart, std::string& usedSheet);
    // The chart of a new chart sheet of CurWk, placed where the host puts it.
    std::shared_ptr<host::Chart> addChartSheet();
    void completeTarget(const std::string& usedSheet, const std::shared_ptr<host::Chart>& chart);
    static void ApplyChartType(const std::shared_ptr<host::Chart>& chart, int32_t eChartType);
    void FillChartSeries(const std::shared_ptr<host::Chart>& chart);
    std::shared_ptr<host::Worksheet> targetWorksheet(const std::string& strSheet) const;

    std::vector<std::string> arrSeriesName_;
    std::vector<com::Variant> arrSeriesValue_;
    std::vector<std::string> arrGroupName_;
    bool groupIsSheetRange_ = false;
    std::string rangeSheet_;
    std::optional<host::Range> oRangeData_;
    std::shared_ptr<host::Chart> chart_;
};

}  // namespace tavlora::chart
