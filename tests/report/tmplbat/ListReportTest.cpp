// Whole list reports: a template file copied, opened, filled by the list filler, finished by the
// job object, and the saved file read back by our reader and by independent ones.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "data/MemoryRecordset.h"
#include "host/files/NewApplication.h"
#include "data/SqliteRecordset.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "support/TestPaths.h"
#include "tavlora/CExcelTmplPrintBat.h"

namespace tavlora::tmplbat {
namespace {

namespace fs = std::filesystem;
using com::Variant;
using tavlora::test::runPython;
using tavlora::test::TempDir;

// A sales list in B:E from row 4 (five styled slots), a merged title placeholder above it, a
// styled header row, a merged "Total" label and sums below the list, and an unused sheet.
fs::path makeSalesTemplate(const TempDir& dir, const std::string& endMode) {
    auto path = dir.file("sales-template-" + endMode + ".xlsx");
    runPython(
        "import openpyxl\n"
        "from openpyxl.styles import Font, PatternFill\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n"
        "ws.title = 'Sales'\n"
        "ws['A2'] = '2,4'\n"
        "ws['A3'] = 4\n"
        "ws['A6'] = '" + endMode + "'\n"
        "for col, definition in zip('BCDE', ['CODE', 'NAME', 'QTY', 'AMOUNT(0)']):\n"
        "    ws[col + '1'] = definition\n"
        "ws['B2'] = '%Title%'\n"
        "ws['B2'].font = Font(bold=True, size=14)\n"
        "ws.merge_cells('B2:E2')\n"
        "for col, caption in zip('BCDE', ['Code', 'Name', 'Qty', 'Amount']):\n"
        "    ws[col + '3'] = caption\n"
        "    ws[col + '3'].font = Font(bold=True)\n"
        "    ws[col + '3'].fill = PatternFill('solid', fgColor='FFDDEEFF')\n"
        "ws.row_dimensions[3].height = 24\n"
        "ws.column_dimensions['C'].width = 30\n"
        "for row in range(4, 9):\n"
        "    ws['E%d' % row].number_format = '#,##0.00'\n"
        "    ws['C%d' % row].font = Font(italic=True)\n"
        "ws['B9'] = 'Total'\n"
        "ws.merge_cells('B9:C9')\n"
        "ws['D9'] = '=SUM(D4:D8)'\n"
        "ws['E9'] = '=SUM(E4:E8)'\n"
        "ws['E9'].number_format = '#,##0.00'\n"
        "wb.create_sheet('Scratch')['A1'] = 'not used'\n"
        "wb.save(r'" + path.string() + "')\n");
    return path;
}

void execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
}

fs::path makeSalesDatabase(const TempDir& dir) {
    auto path = dir.file("sales.db");
    if (fs::exists(path)) return path;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    execute(db, "CREATE TABLE sale (code INTEGER, name TEXT, qty INTEGER, amount REAL)");
    execute(db, "INSERT INTO sale VALUES (101, 'Widget', 4, 1234.5), (102, 'Gadget', 0, 0), (103, 'Gizmo', 2, 99.95)");
    sqlite3_close(db);
    return path;
}

// Copies the template, fills it through a job object and finishes the job (saved in place).
fs::path fillSalesReport(const TempDir& dir, const std::string& endMode) {
    auto templateFile = makeSalesTemplate(dir, endMode);
    auto target = dir.file("sales-" + endMode + ".xlsx");
    auto job = printjob::CExcelBatDo::create();
    EXPECT_TRUE(job->DoCopy(templateFile.string(), target.string()));
    EXPECT_TRUE(job->DoBegin(target.string()));
    auto filler = CExcelTmplPrintBat::create();
    filler->setCurBatObj(job);
    EXPECT_TRUE(filler->DoA_Begin("sales", true));
    EXPECT_TRUE(filler->DoA_ReplaceWhiteDot("Title", "Q3 sales"));
    auto rst = data::SqliteRecordset::open(makeSalesDatabase(dir).string(),
                                           "SELECT code, name, qty, amount FROM sale ORDER BY code");
    EXPECT_TRUE(filler->DoA_OutputRst(rst));
    EXPECT_TRUE(filler->DoA_End());
    EXPECT_TRUE(job->DoEnd());
    return target;
}

std::string formulaAt(const host::Worksheet& sheet, int row, int column) {
    const host::Cell* cell = sheet.store().find(row, column);
    if (!cell || cell->kind != host::CellKind::Formula) return "(no formula)";
    return sheet.store().formulas()[cell->payload.formulaId].text;
}

std::vector<std::string> mergedAddresses(const host::Worksheet& sheet) {
    std::vector<std::string> out;
    for (const host::Area& area : sheet.mergedAreas()) out.push_back(host::areaAddress(area, false));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ListReport, DeletedControlAreaMovesValuesFormulasMergesAndStyles) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto report = fillSalesReport(dir, "2");

    // Our reader: row 1 and column A are gone, everything moved up one row and left one column.
    auto application = host::files::newApplication();
    auto workbook = application->open(report.string());
    ASSERT_EQ(workbook->sheets().size(), 1u);
    auto sales = workbook->worksheets().front();
    EXPECT_EQ(sales->name(), "Sales");
    EXPECT_EQ(sales->range("A1").value(), Variant("Q3 sales"));
    EXPECT_EQ(sales->range("A2").value(), Variant("Code"));
    EXPECT_EQ(sales->range("A3").value(), Variant(101.0));
    EXPECT_EQ(sales->range("B3").value(), Variant("Widget"));
    EXPECT_EQ(sales->range("D3").value(), Variant(1234.5));
    EXPECT_EQ(sales->range("A4").value(), Variant(102.0));
    EXPECT_TRUE(sales->range("C4").value().isEmpty());  // zero suppressed
    EXPECT_TRUE(sales->range("D4").value().isEmpty());
    EXPECT_EQ(sales->range("D5").value(), Variant(99.95));
    EXPECT_TRUE(sales->range("A6").value().isEmpty());
    EXPECT_EQ(sales->range("A8").value(), Variant("Total"));
    EXPECT_EQ(formulaAt(*sales, 8, 3), "SUM(C3:C7)");
    EXPECT_EQ(formulaAt(*sales, 8, 4), "SUM(D3:D7)");
    EXPECT_EQ(mergedAddresses(*sales), (std::vector<std::string>{"A1:D1", "A8:B8"}));
    EXPECT_EQ(sales->range("D3").numberFormatLocal(), "#,##0.00");
    EXPECT_EQ(sales->range("D7").numberFormatLocal(), "#,##0.00");
    EXPECT_TRUE(sales->range("A2").font().bold());
    EXPECT_FALSE(sales->range("A3").font().bold());
    EXPECT_DOUBLE_EQ(sales->range("A2").rowHeight(), 24);
    EXPECT_GT(sales->range("B1").columnWidth(), 2 * sales->range("C1").columnWidth());  // the wide name column
    EXPECT_EQ(sales->usedRange().address(), "$A$1:$D$8");
    application->quit();

    // openpyxl.
    auto out = runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + report.string() + "')\n"
        "ws = wb['Sales']\n"
        "print(wb.sheetnames)\n"
        "for row in ws.iter_rows(min_row=1, max_row=8, max_col=4, values_only=True):\n"
        "    print(row)\n"
        "print(sorted(str(r) for r in ws.merged_cells.ranges))\n"
        "print(ws['A2'].font.b, ws['A2'].fill.fgColor.rgb, ws['B3'].font.i, ws['D5'].number_format)\n"
        "print(ws.row_dimensions[2].height, ws.column_dimensions['B'].width, ws.max_row, ws.max_column)\n");
    EXPECT_EQ(out,
              "['Sales']\n"
              "('Q3 sales', None, None, None)\n"
              "('Code', 'Name', 'Qty', 'Amount')\n"
              "(101, 'Widget', 4, 1234.5)\n"
              "(102, 'Gadget', None, None)\n"
              "(103, 'Gizmo', 2, 99.95)\n"
              "(None, None, None, None)\n"
              "(None, None, None, None)\n"
              "('Total', None, '=SUM(C3:C7)', '=SUM(D3:D7)')\n"
              "['A1:D1', 'A8:B8']\n"
              "True FFDDEEFF True #,##0.00\n"
              "24.0 30.0 8 4\n");
}

TEST(ListReport, LibreOfficeComputesTheMovedTotals) {
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice not installed";
    TempDir dir;
    auto report = fillSalesReport(dir, "2");
    auto outDir = dir.file("csv");
    std::string command = "cd " + dir.path().string() + " && timeout 180 soffice --headless --norestore" +
                          " -env:UserInstallation=file://" + dir.file("lo-profile").string() +
                          " --convert-to csv --outdir " + outDir.string() + " " + report.string() + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_TRUE(fs::exists(outDir / "sales-2.csv"));
    auto out = runPython(
        "import csv, io\n"
        "rows = list(csv.reader(io.StringIO(open(r'" + (outDir / "sales-2.csv").string() + "').read())))\n"
        "for row in rows:\n"
        "    print('|'.join(row))\n");
    EXPECT_EQ(out,
              "Q3 sales|||\n"
              "Code|Name|Qty|Amount\n"
              "101|Widget|4|1234.5\n"
              "102|Gadget||\n"
              "103|Gizmo|2|99.95\n"
              "|||\n"
              "|||\n"
              "Total||6|1334.45\n");
}

TEST(ListReport, EndModesClearAndKeepTheControlArea) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto cleared = fillSalesReport(dir, "1");
    auto kept = fillSalesReport(dir, "0");
    const std::string check =
        "import openpyxl\n"
        "ws = openpyxl.load_workbook(PATH)['Sales']\n"
        "for row in ws.iter_rows(min_row=1, max_row=9, max_col=5, values_only=True):\n"
        "    print(row)\n"
        "print(sorted(str(r) for r in ws.merged_cells.ranges), ws['B3'].font.b, ws['E4'].number_format)\n";
    auto clearedOut = runPython("PATH = r'" + cleared.string() + "'\n" + check);
    EXPECT_EQ(clearedOut,
              "(None, None, None, None, None)\n"
              "(None, 'Q3 sales', None, None, None)\n"
              "(None, 'Code', 'Name', 'Qty', 'Amount')\n"
              "(None, 101, 'Widget', 4, 1234.5)\n"
              "(None, 102, 'Gadget', None, None)\n"
              "(None, 103, 'Gizmo', 2, 99.95)\n"
              "(None, None, None, None, None)\n"
              "(None, None, None, None, None)\n"
              "(None, 'Total', None, '=SUM(D4:D8)', '=SUM(E4:E8)')\n"
              "['B2:E2', 'B9:C9'] True #,##0.00\n");
    auto keptOut = runPython("PATH = r'" + kept.string() + "'\n" + check);
    EXPECT_EQ(keptOut,
              "(None, 'CODE', 'NAME', 'QTY', 'AMOUNT(0)')\n"
              "('2,4', 'Q3 sales', None, None, None)\n"
              "(4, 'Code', 'Name', 'Qty', 'Amount')\n"
              "(None, 101, 'Widget', 4, 1234.5)\n"
              "(None, 102, 'Gadget', None, None)\n"
              "('0', 103, 'Gizmo', 2, 99.95)\n"
              "(None, None, None, None, None)\n"
              "(None, None, None, None, None)\n"
              "(None, 'Total', None, '=SUM(D4:D8)', '=SUM(E4:E8)')\n"
              "['B2:E2', 'B9:C9'] True #,##0.00\n");
}

// A plan sheet built with our own host: months as key labels, two rows per record (plan on the
// first, actual on the second), a sum below, and end mode 2.
TEST(ListReport, KeyedTwoRowsPerRecordWithZeroSuppression) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto templateFile = dir.file("plan-template.xlsx");
    {
        auto application = host::files::newApplication();
        auto workbook = application->add();
        auto plan = workbook->worksheets().front();
        plan->setName("Plan");
        plan->range("A1").setValue(Variant("MONTH"));
        plan->range("A2").setValue(Variant("2,2"));
        plan->range("A3").setValue(Variant("10,3"));
        plan->range("A6").setValue(Variant("2"));
        plan->range("B1").setValue(Variant("PLAN(0,2)"));
        plan->range("C1").setValue(Variant("ACTUAL(1,2)"));
        plan->range("A10").setValue(Variant("Jan"));
        plan->range("A11").setValue(Variant("Feb"));
        plan->range("A12").setValue(Variant("Mar"));
        plan->range("B10:C15").setNumberFormatLocal("0.0");
        plan->range("B16").setValue(Variant("Sum"));
        workbook->saveAs(templateFile.string());
        application->quit();
    }
    // The template's own formula comes from another program, as a template author would add it.
    runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + templateFile.string() + "')\n"
        "wb['Plan']['C16'] = '=SUM(B10:C15)'\n"
        "wb.save(r'" + templateFile.string() + "')\n");

    auto target = dir.file("plan.xlsx");
    auto job = printjob::CExcelBatDo::create();
    ASSERT_TRUE(job->DoCopy(templateFile.string(), target.string()));
    ASSERT_TRUE(job->DoBegin(target.string()));
    auto filler = CExcelTmplPrintBat::create();
    filler->setCurBatObj(job);
    ASSERT_TRUE(filler->DoA_Begin("Plan"));
    auto rst = std::make_shared<data::MemoryRecordset>(
        std::vector<std::string>{"month", "plan", "actual"},
        std::vector<data::MemoryRecordset::Row>{{Variant("Mar"), Variant(7), Variant(6.5)},
                                                {Variant("Jan"), Variant(3), Variant(0.0)},
                                                {Variant("Dec"), Variant(9), Variant(9)}});
    EXPECT_TRUE(filler->DoA_OutputRst(rst));
    EXPECT_TRUE(filler->DoA_End());
    EXPECT_TRUE(job->DoEnd());

    // Jan (label index 0) fills rows 10 and 11, Mar (index 2) rows 14 and 15; Dec has no label.
    // After the deletion those are rows 9/10 and 13/14 in columns A and B.
    auto out = runPython(
        "import openpyxl\n"
        "ws = openpyxl.load_workbook(r'" + target.string() + "')['Plan']\n"
        "for row in ws.iter_rows(min_row=9, max_row=16, max_col=2, values_only=True):\n"
        "    print(row)\n"
        "print(ws['A9'].number_format, ws['B14'].number_format)\n");
    EXPECT_EQ(out,
              "(3, None)\n"
              "(None, None)\n"
              "(None, None)\n"
              "(None, None)\n"
              "(7, None)\n"
              "(None, 6.5)\n"
              "('Sum', '=SUM(A9:B14)')\n"
              "(None, None)\n"
              "0.0 0.0\n");
}

}  // namespace
}  // namespace tavlora::tmplbat
