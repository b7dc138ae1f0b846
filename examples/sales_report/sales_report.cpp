// The example report: a template with a cover sheet, an order list, a record table and a chart,
// filled from an SQLite database and an XML file with all five classes, then saved as .xlsx and
// as a web page.
//
// Usage: sales_report TEMPLATE DATABASE XMLFILE OUTDIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tavlora/CExcelChart.h"
#include "tavlora/DataSources.h"
#include "tavlora/CExcelOutputRcd.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintBat.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "tavlora/Failures.h"

using namespace tavlora;

namespace {

struct Paths {
    std::string templateFile;
    std::string database;
    std::string xmlFile;
    std::filesystem::path outDir;
};

bool fillCover(const std::shared_ptr<printjob::CExcelBatDo>& job, const Paths& paths) {
    auto cover = tmplone::CExcelTmplPrintOne::create();
    cover->setCurBatObj(job);
    if (!cover->DoA_Begin("Cover")) return false;
    auto company = data::SqliteRecordset::open(paths.database, "SELECT Company, Period, Region, Total FROM company");
    cover->DoA_ReplaceRst(company);
    cover->DoA_ReplaceA("Author", "Reporting team");
    cover->DoA_End();
    return true;
}

bool fillOrders(const std::shared_ptr<printjob::CExcelBatDo>& job, const Paths& paths) {
    auto list = tmplbat::CExcelTmplPrintBat::create();
    list->setCurBatObj(job);
    if (!list->DoA_Begin("Orders", true)) return false;
    auto orders = data::SqliteRecordset::open(
        paths.database, "SELECT OrderNo, OrderDate, Customer, Product, Qty, Amount FROM order_list ORDER BY OrderNo");
    bool ok = list->DoA_OutputRst(orders);
    list->DoA_ReplaceWhiteDot("ListTitle", "Orders of the quarter");
    return list->DoA_End() && ok;
}

bool fillRegions(const std::shared_ptr<printjob::CExcelBatDo>& job, const Paths& paths) {
    auto table = outputrcd::CExcelOutputRcd::create();
    table->setCurBatObj(job);
    table->setIsTitle(true);
    table->setTitle("Regions");
    table->setXmlWay(0);  // columns from the attributes of the first record
    return table->DoA_RcdXml("Regions", paths.xmlFile, "region");
}

bool drawChart(const std::shared_ptr<printjob::CExcelBatDo>& job, const Paths& paths) {
    auto chart = chart::CExcelChart::create();
    chart->setCurBatObj(job);
    chart->DoA_ReplaceWhiteDot("ChartCaption", "Monthly sales and cost", "Chart");

    // The figures go onto the sheet, and the chart refers to those cells.
    const int32_t headerRow = 3;
    chart->DoA_OutputString(headerRow, 1, "Month", "Chart");
    chart->DoA_OutputString(headerRow, 2, "Sales", "Chart");
    chart->DoA_OutputString(headerRow, 3, "Cost", "Chart");
    auto monthly = data::SqliteRecordset::open(paths.database, "SELECT Month, Sales, Cost FROM monthly");
    int32_t row = headerRow + 1;
    for (; !monthly->Eof(); monthly->MoveNext(), ++row) {
        for (int32_t field = 0; field < 3; ++field) {
            chart->DoA_OutputString(row, field + 1, com::toText(monthly->FieldValue(field)), "Chart");
        }
    }
    const int32_t lastRow = row - 1;
    const int16_t months = static_cast<int16_t>(lastRow - headerRow);

    chart->oSetRange_Sheet("Chart");
    chart->oSetSeriesCount(2);
    chart->oSetGroupCount(months);
    for (int16_t series = 0; series < 2; ++series) {
        chart->oSetSeriesName_Range(series, headerRow, series + 2, "");
        chart->oSetSeriesValue_Range(series, headerRow + 1, series + 2, lastRow, series + 2, "");
    }
    for (int16_t group = 0; group < months; ++group) chart->oSetGroupName_Range(group, headerRow + 1 + group, 1, "");
    if (!chart->DoA_Chart("Chart", 51, "MonthlySales")) return false;
    chart->DoA_SetStyle(2, false, true, false);
    chart->DoA_SetTitle("Sales and cost, Q1 2026");
    return true;
}

// The first part that failed, or "" when all were filled.
std::string fillReport(const std::shared_ptr<printjob::CExcelBatDo>& job, const Paths& paths) {
    if (!fillCover(job, paths)) return "the cover sheet could not be filled";
    if (!fillOrders(job, paths)) return "the order list could not be filled";
    if (!fillRegions(job, paths)) return "the region table could not be written";
    if (!drawChart(job, paths)) return "the chart could not be drawn";
    return "";
}

// The usual flow: copy the template to the target, fill the copy, save it in place. Answers why
// it failed, or "".
std::string buildWorkbook(const Paths& paths, const std::string& target) {
    auto job = printjob::CExcelBatDo::create();
    if (!job->DoCopy(paths.templateFile, target)) return "cannot copy the template to " + target;
    if (!job->DoBegin(target)) return "cannot open " + target;
    const std::string failure = fillReport(job, paths);
    if (!job->DoEnd()) return "cannot save " + target;
    return failure;
}

// The same report as a web page: the template is opened, filled and saved under the page's name.
std::string buildWebPage(const Paths& paths, const std::string& page) {
    auto job = printjob::CExcelBatDo::create();
    if (!job->DoBegin(paths.templateFile)) return "cannot open the template " + paths.templateFile;
    const std::string failure = fillReport(job, paths);
    if (!failure.empty()) return failure;
    return job->DoEnd(page, false, true) ? "" : "cannot save " + page;
}

// A half-filled report must not pass for a finished one.
void removeOutputs(const std::vector<std::string>& files) {
    std::error_code ignored;
    for (const auto& file : files) std::filesystem::remove(file, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: sales_report TEMPLATE DATABASE XMLFILE OUTDIR\n");
        return 2;
    }
    Paths paths{argv[1], argv[2], argv[3], argv[4]};
    const std::string workbook = (paths.outDir / "sales_report.xlsx").string();
    const std::string page = (paths.outDir / "sales_report.html").string();
    try {
        std::filesystem::create_directories(paths.outDir);
        std::string failure = buildWorkbook(paths, workbook);
        if (failure.empty()) failure = buildWebPage(paths, page);
        if (!failure.empty()) {
            removeOutputs({workbook, page});
            // The library's own reason for the member that answered false, when there is one.
            const std::string reason = tavlora::lastFailure();
            if (!reason.empty()) failure += " (" + reason + ")";
            std::fprintf(stderr, "sales_report: %s; nothing was written\n", failure.c_str());
            return 1;
        }
        std::printf("wrote %s\nwrote %s\n", workbook.c_str(), page.c_str());
        return 0;
    } catch (const std::exception& e) {
        removeOutputs({workbook, page});
        std::fprintf(stderr, "sales_report: %s; nothing was written\n", e.what());
        return 1;
    }
}
