#include "tavlora/CExcelChart.h"

#include "com/Conversions.h"
#include "report/common/ChartLookups.h"
#include "report/common/Failures.h"
#include "report/common/MCommExcelRange.h"
#include "host/chart/Chart.h"
#include "host/chart/ChartSheet.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::chart {

bool CExcelChart::DoA_Chart(const std::string& strSheet, int32_t eChartType, const std::string& strChart) {
    return common::trapFailure(common::memberCall("DoA_Chart", strSheet, eChartType, strChart), false, [&] {
        auto chart = PrepareChart(strSheet, strChart, false);
        if (!chart) return false;
        ApplyChartType(chart, eChartType);
        FillChartSeries(chart);
        return true;
    });
}

bool CExcelChart::DoA_ChartFromRange_SetData(const std::string& strSheet, int32_t nRow, int32_t nCol, int32_t nRow1,
                                             int32_t nCol1) {
    auto call = common::memberCall("DoA_ChartFromRange_SetData", strSheet, nRow, nCol, nRow1, nCol1);
    return common::explainFailure(call, false, [&] {
        oRangeData_.reset();
        if (!workbook_) return noWorkbook();
        oRangeData_ = common::MCommExcelRange::GetSheetRangeByRowCol(workbook_, strSheet, nRow, nCol, nRow1, nCol1);
        return oRangeData_.has_value();
    });
}

bool CExcelChart::DoA_ChartFromRange_SetData1(const std::string& strSheet, const std::string& strPos,
                                              const std::string& strPos1) {
    auto call = common::memberCall("DoA_ChartFromRange_SetData1", strSheet, strPos, strPos1);
    return common::explainFailure(call, false, [&] {
        oRangeData_.reset();
        if (!workbook_) return noWorkbook();
        oRangeData_ = common::MCommExcelRange::GetSheetRangeByA1(workbook_, strSheet, strPos, strPos1);
        return oRangeData_.has_value();
    });
}

bool CExcelChart::DoA_ChartFromRange(const std::string& strSheet, bool bCol, int32_t eChartType,
                                     const std::string& strChart) {
    auto call = common::memberCall("DoA_ChartFromRange", strSheet, bCol, eChartType, strChart);
    return common::trapFailure(call, false, [&] {
        auto chart = PrepareChart(strSheet, strChart, true);
        if (!chart) return false;
        ApplyChartType(chart, eChartType);
        if (oRangeData_) chart->setSourceData(*oRangeData_, bCol ? host::plotby::kColumns : host::plotby::kRows);
        return true;
    });
}

bool CExcelChart::noWorkbook() {
    common::noteCause("no workbook: set CurBatObj to a job whose DoBegin succeeded, or CurWk");
    return false;
}

std::shared_ptr<host::Chart> CExcelChart::PrepareChart(const std::string& strSheet, const std::string& strChart,
                                                       bool bFromRange) {
    try {
        if (!bFromRange && oGetSeriesCount() < 1) {
            common::noteCause("the chart has no series: set oSetSeriesCount and the series first");
            return nullptr;
        }
        if (!workbook_) {
            noWorkbook();
            return nullptr;
        }
        auto chart = FindOrAddChart(strSheet, strChart);
        if (chart) chart_ = chart;
        return chart;
    } catch (...) {
        common::noteCause(common::describeException(std::current_exception()));
        return nullptr;
    }
}

std::shared_ptr<host::Chart> CExcelChart::FindOrAddChart(const std::string& strSheet, const std::string& strChart) {
    std::shared_ptr<host::Chart> chart;
    std::string usedSheet = strSheet;
    try {
        findOrAddTarget(strSheet, strChart, chart, usedSheet);
    } catch (...) {
        // Whatever chart was obtained before the failure is still registered and emptied below.
        std::string reason = "finding or adding the chart failed: " + common::describeException(std::current_exception());
        if (chart) {
            common::noteAbsorbed(std::move(reason));
        } else {
            common::noteCause(std::move(reason));
        }
    }
    completeTarget(usedSheet, chart);
    return chart;
}

// Sets `chart` as soon as a chart exists, so that a refused name for a new chart sheet (such as
// "") still leaves the chart in hand with the name the host gave it. That name is then the one to
// register: otherwise the job would delete the chart's sheet as unused when it ends.
void CExcelChart::findOrAddTarget(const std::string& strSheet, const std::string& strChart,
                                  std::shared_ptr<host::Chart>& chart, std::string& usedSheet) {
    auto sheet = common::MCommExcel::FindSheetByName(workbook_, strSheet);
    if (!sheet) {
        chart = addChartSheet();
        usedSheet = chart->name();
        chart->setName(strSheet);
        usedSheet = strSheet;
        return;
    }
    chart = common::MCommExcel::FindChartSheetByName(workbook_, strSheet);
    if (chart) return;
    auto worksheet = std::dynamic_pointer_cast<host::Worksheet>(sheet);
    if (!strChart.empty()) chart = common::MCommExcel::FindEmbeddedChartByName(worksheet, strChart);
    if (!chart) chart = common::MCommExcel::AddEmbeddedChart(worksheet, strChart);
}

std::shared_ptr<host::Chart> CExcelChart::addChartSheet() { return workbook_->addChartSheet()->chart(); }

void CExcelChart::completeTarget(const std::string& usedSheet, const std::shared_ptr<host::Chart>& chart) {
    try {
        if (!usedSheet.empty() && job_) job_->DoAddSheet(usedSheet);
    } catch (...) {
        // Registration is best effort: the chart is drawn whether or not the job keeps count.
    }
    try {
        if (chart) common::MCommExcel::DeleteAllSeries(chart);
    } catch (...) {
        // A series the host refuses to delete stays; the new series are added after it.
    }
}

void CExcelChart::ApplyChartType(const std::shared_ptr<host::Chart>& chart, int32_t eChartType) {
    if (!chart || eChartType == 0) return;
    try {
        chart->setChartType(eChartType);
    } catch (...) {
        // A type the host refuses leaves the chart's own type, and the member still succeeds;
        // the refusal is kept so that a wrong number does not pass unnoticed.
        common::noteAbsorbed("the chart type " + std::to_string(eChartType) + " was refused, the chart keeps type " +
                             std::to_string(chart->chartType()) + ": " +
                             common::describeException(std::current_exception()));
    }
}

void CExcelChart::FillChartSeries(const std::shared_ptr<host::Chart>& chart) {
    const int16_t nGroup = oGetGroupCount();
    com::Variant categories;
    if (nGroup > 0) {
        try {
            categories = common::MCommExcelRange::BuildRefUnionOrArray(arrGroupName_, nGroup, groupIsSheetRange_);
        } catch (...) {
        }
    }
    const int16_t nSeries = oGetSeriesCount();
    for (int16_t i = 0; i < nSeries; ++i) {
        std::shared_ptr<host::Series> series;
        try {
            series = chart->seriesCollection().newSeries();
        } catch (...) {
        }
        if (!series) continue;
        const auto slot = static_cast<size_t>(i);
        try {
            series->setName(com::Variant(arrSeriesName_[slot]));
        } catch (...) {
        }
        try {
            series->setValues(arrSeriesValue_[slot]);
        } catch (...) {
        }
        if (nGroup > 0) {
            try {
                series->setXValues(categories);
            } catch (...) {
            }
        }
        try {
            if (isPieType(chart->chartType())) break;
        } catch (...) {
        }
    }
}

void CExcelChart::DoA_SetStyle(int32_t nDataLableFlag, bool bDataLableLegend, bool bHasLegend, bool bHasDataTable) {
    if (!chart_) return;
    chart_->setHasLegend(bHasLegend);
    chart_->setHasDataTable(bHasDataTable);
    chart_->applyDataLabels(nDataLableFlag, bDataLableLegend);
}

void CExcelChart::DoA_SetTitle(const std::string& strTitle) {
    if (!chart_ || strTitle.empty()) return;
    chart_->setHasTitle(true);
    chart_->setTitleText(strTitle);
}

}  // namespace tavlora::chart
