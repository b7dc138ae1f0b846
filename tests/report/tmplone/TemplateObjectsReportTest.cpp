// A one-record report whose template holds a table with a structured total below it and a picture
// beside it: after header mode 2 deletes the two header rows, the table, its total and the picture
// still sit on the cells they sat on, and LibreOffice computes the total of the written values.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TemplateObjectsSupport.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplone {
namespace {

namespace fs = std::filesystem;
using tavlora::test::runCommand;
using tavlora::test::runPython;
using tavlora::test::TempDir;

// Header rows: names in row 1, target addresses in row 2. The table "Items" covers B4:C7 (its Qty
// cells are the targets), C8 totals its Qty column, and a picture lies over E3:G6.
fs::path makeTemplate(const TempDir& dir) {
    auto path = dir.file("stock-template.xlsx");
    runPython(
        "import openpyxl\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n"
        "ws.title = 'Stock'\n"
        "for col, name, target in zip('ABCD', ['Q1', 'Q2', 'Q3', 'Title'], ['C5', 'C6', 'C7', 'B3']):\n"
        "    ws[col + '1'] = name\n"
        "    ws[col + '2'] = target\n"
        "ws['B4'], ws['C4'] = 'Name', 'Qty'\n"
        "for row, name in zip((5, 6, 7), ['Widget', 'Gadget', 'Gizmo']):\n"
        "    ws['B%d' % row] = name\n" +
        tavlora::test::templateObjectsScript({"B4:C7", "C8", 4, 2, 6, 5}, dir.path()) +
        "wb.save(r'" + path.string() + "')\n");
    return path;
}

fs::path fillReport(const TempDir& dir) {
    auto target = dir.file("stock.xlsx");
    auto job = printjob::CExcelBatDo::create();
    EXPECT_TRUE(job->DoCopy(makeTemplate(dir).string(), target.string()));
    EXPECT_TRUE(job->DoBegin(target.string()));
    auto filler = CExcelTmplPrintOne::create();
    filler->setCurBatObj(job);
    EXPECT_TRUE(filler->DoA_Begin("Stock", 0, 2));
    EXPECT_TRUE(filler->DoA_ReplaceA("Q1", "4"));
    EXPECT_TRUE(filler->DoA_ReplaceA("Q2", "5"));
    EXPECT_TRUE(filler->DoA_ReplaceA("Q3", "7"));
    EXPECT_TRUE(filler->DoA_ReplaceA("Title", "Stock"));
    EXPECT_EQ(filler->DoA_End(), 4);
    EXPECT_TRUE(job->DoEnd());
    return target;
}

TEST(TemplateObjectsReport, TableTotalAndPictureFollowHeaderModeTwo) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto report = fillReport(dir);
    auto out = tavlora::test::describeTemplateObjects(report, "Stock", "C6");
    EXPECT_EQ(out,
              "[('Items', 'B2:C5')]\n"
              "=SUM(Items[Qty])\n"
              "[('4', '0'), ('6', '3')]\n");

    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice not installed";
    auto csv = tavlora::test::csvByLibreOffice(dir.path(), report);
    EXPECT_EQ(csv,
              ",Stock,\n"
              ",Name,Qty\n"
              ",Widget,4\n"
              ",Gadget,5\n"
              ",Gizmo,7\n"
              ",,16\n");
}

}  // namespace
}  // namespace tavlora::tmplone
