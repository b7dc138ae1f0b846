#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tavlora/CExcelChart.h"
#include "host/files/NewApplication.h"
#include "com/Conversions.h"
#include "com/Variant.h"
#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/chart/ChartModel.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::chart::test {

// A workbook with the worksheets Data (a small month table in A1:C4) and Report, a job object
// holding it and a chart builder bound to the job.
class ChartBook : public ::testing::Test {
protected:
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> data = workbook->worksheets().front();
    std::shared_ptr<host::Worksheet> report;
    std::shared_ptr<printjob::CExcelBatDo> job = printjob::CExcelBatDo::create();
    std::shared_ptr<CExcelChart> chart = CExcelChart::create();

    void SetUp() override {
        data->setName("Data");
        report = workbook->addWorksheet(nullptr, data.get());
        report->setName("Report");
        workbook->setActiveSheet(*data);
        fillMonthTable();
        job->setCurWk(workbook);
        chart->setCurBatObj(job);
    }

    //      A      B      C
    // 1           Sales  Cost
    // 2    Jan    1      4
    // 3    Feb    2      5
    // 4    Mar    3      6
    void fillMonthTable() {
        const std::vector<std::vector<com::Variant>> rows = {
            {com::Variant(), com::Variant("Sales"), com::Variant("Cost")},
            {com::Variant("Jan"), com::Variant(1.0), com::Variant(4.0)},
            {com::Variant("Feb"), com::Variant(2.0), com::Variant(5.0)},
            {com::Variant("Mar"), com::Variant(3.0), com::Variant(6.0)},
        };
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c)
                data->cell(static_cast<int32_t>(r + 1), static_cast<int32_t>(c + 1)).setValue(rows[r][c]);
    }

    // Two series Sales ={1,2,3} and Cost ={4,5,6} over the text labels Jan, Feb, Mar.
    void holdSalesAndCost() {
        chart->oSetSeriesCount(2);
        chart->oSetSeriesName(0, "Sales");
        chart->oSetSeriesName(1, "Cost");
        chart->oSetSeriesValue(0, com::Variant("={1,2,3}"));
        chart->oSetSeriesValue(1, com::Variant("={4,5,6}"));
        chart->oSetGroupCount(3);
        chart->oSetGroupName(0, "Jan");
        chart->oSetGroupName(1, "Feb");
        chart->oSetGroupName(2, "Mar");
    }

    static std::shared_ptr<host::ChartModel> model(const std::shared_ptr<host::Chart>& c) {
        return std::dynamic_pointer_cast<host::ChartModel>(c);
    }
};

// The series' names as the chart shows them.
inline std::vector<std::string> seriesNames(host::Chart& chart) {
    std::vector<std::string> names;
    auto& series = chart.seriesCollection();
    for (int32_t i = 1; i <= series.count(); ++i) names.push_back(com::toTextOrEmpty(series.item(i)->name()));
    return names;
}

// An array value (any lower bound) as the texts of its items.
inline std::vector<std::string> texts(const com::Variant& array) {
    std::vector<std::string> out;
    if (array.type() != com::VarType::Array) return out;
    for (const auto& item : array.asArray()->items) out.push_back(com::toTextOrEmpty(item));
    return out;
}

}  // namespace tavlora::chart::test
