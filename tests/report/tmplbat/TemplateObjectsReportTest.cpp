// A list report whose template holds a table over the list with a structured total below it and a
// picture beside it: after end mode 2 deletes the control row and column, the table, its total
// and the picture still sit on the cells they sat on.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/MemoryRecordset.h"
#include "support/TemplateObjectsSupport.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintBat.h"

namespace tavlora::tmplbat {
namespace {

namespace fs = std::filesystem;
using com::Variant;
using tavlora::test::runCommand;
using tavlora::test::runPython;
using tavlora::test::TempDir;

// The list in B:D from row 4 (five slots) under the header row 3; the table "Items" covers the
// header and the slots, C9 totals its Qty column, and a picture lies over E2:H6.
fs::path makeTemplate(const TempDir& dir) {
    auto path = dir.file("items-template.xlsx");
    runPython(
        "import openpyxl\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n"
        "ws.title = 'Items'\n"
        "ws['A2'] = '2,4'\n"
        "ws['A3'] = 4\n"
        "ws['A6'] = '2'\n"
        "for col, definition, caption in zip('BCD', ['NAME', 'QTY', 'PRICE'], ['Name', 'Qty', 'Price']):\n"
        "    ws[col + '1'] = definition\n"
        "    ws[col + '3'] = caption\n" +
        tavlora::test::templateObjectsScript({"B3:D8", "C9", 4, 1, 7, 5}, dir.path()) +
        "wb.save(r'" + path.string() + "')\n");
    return path;
}

fs::path fillReport(const TempDir& dir) {
    auto target = dir.file("items.xlsx");
    auto job = printjob::CExcelBatDo::create();
    EXPECT_TRUE(job->DoCopy(makeTemplate(dir).string(), target.string()));
    EXPECT_TRUE(job->DoBegin(target.string()));
    auto filler = CExcelTmplPrintBat::create();
    filler->setCurBatObj(job);
    EXPECT_TRUE(filler->DoA_Begin("Items", true));
    auto rst = std::make_shared<data::MemoryRecordset>(
        std::vector<std::string>{"name", "qty", "price"},
        std::vector<data::MemoryRecordset::Row>{{Variant("Widget"), Variant(4), Variant(2.5)},
                                                {Variant("Gadget"), Variant(5), Variant(1.0)},
                                                {Variant("Gizmo"), Variant(7), Variant(3.0)}});
    EXPECT_TRUE(filler->DoA_OutputRst(rst));
    EXPECT_TRUE(filler->DoA_End());
    EXPECT_TRUE(job->DoEnd());
    return target;
}

TEST(TemplateObjectsReport, TableTotalAndPictureFollowEndModeTwo) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TempDir dir;
    auto report = fillReport(dir);
    auto out = tavlora::test::describeTemplateObjects(report, "Items", "B8");
    EXPECT_EQ(out,
              "[('Items', 'A2:C7')]\n"
              "=SUM(Items[Qty])\n"
              "[('3', '0'), ('6', '4')]\n");

    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice not installed";
    auto csv = tavlora::test::csvByLibreOffice(dir.path(), report);
    EXPECT_EQ(csv,
              ",,\n"
              "Name,Qty,Price\n"
              "Widget,4,2.5\n"
              "Gadget,5,1\n"
              "Gizmo,7,3\n"
              ",,\n"
              ",,\n"
              ",16,\n");
}

}  // namespace
}  // namespace tavlora::tmplbat
