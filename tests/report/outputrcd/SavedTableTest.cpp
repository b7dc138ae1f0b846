// Record tables written into a real report file and read back by an independent reader.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "data/SqliteRecordset.h"
#include "host/files/NewApplication.h"
#include "report/outputrcd/OutputRcdTestSupport.h"
#include "support/TestPaths.h"

namespace tavlora::outputrcd {
namespace {

namespace fs = std::filesystem;
using com::Variant;
using tavlora::test::runPython;
using tavlora::test::TempDir;

void createDatabase(const fs::path& file) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db,
                          "CREATE TABLE orders(id INTEGER, customer TEXT, amount REAL, note TEXT);"
                          "INSERT INTO orders VALUES(1, 'ACME', 12.5, 'first order of a very long standing customer');"
                          "INSERT INTO orders VALUES(2, '北京贸易有限公司', 0, NULL);"
                          "INSERT INTO orders VALUES(3, 'Zed', -3.25, 'ok');",
                          nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

fs::path createTemplate(const TempDir& dir) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto cover = workbook->worksheets().front();
    cover->setName("Cover");
    cover->range("A1").setValue(Variant("cover"));
    workbook->addWorksheet(nullptr, cover.get())->setName("Scratch");
    auto path = dir.file("template.xlsx");
    workbook->saveAs(path.string());
    application->quit();
    return path;
}

const char* kItemsXml =
    "<items>"
    "<field key='sku' caption='Article number' text='sku'>sku</field>"
    "<field key='label' caption='Label' text='label'>label</field>"
    "<item sku='A-1' label='a label that is long enough to widen its column'/>"
    "<item sku='B-2' label='short'/>"
    "</items>";

// openpyxl's view of a sheet: merges, values, formats, fonts, alignments, heights, widths.
std::string describeWithOpenpyxl(const fs::path& file, const std::string& sheet, const std::string& cells,
                                 const std::string& rows, const std::string& columns) {
    return runPython(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook(r'" + file.string() + "')\n"
        "ws = wb['" + sheet + "']\n"
        "print(sorted(str(m) for m in ws.merged_cells.ranges))\n"
        "for a in " + cells + ":\n"
        "    c = ws[a]\n"
        "    print(a, repr(c.value), c.number_format, c.font.name, c.font.sz, bool(c.font.b),\n"
        "          c.alignment.horizontal, c.alignment.vertical)\n"
        "default_height = ws.sheet_format.defaultRowHeight\n"
        "for r in " + rows + ":\n"
        "    h = ws.row_dimensions[r].height\n"
        "    print(r, h if h is not None else default_height)\n"
        "for col in " + columns + ":\n"
        "    w = ws.column_dimensions[col].width\n"
        "    print(col, 'wide' if w and w > 13 else 'narrow')\n");
}

class SavedTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
        database_ = dir_.file("orders.db");
        createDatabase(database_);
        xml_ = dir_.file("items.xml");
        test::writeTextFile(xml_, kItemsXml);
        target_ = dir_.file("report.xlsx");
        ASSERT_TRUE(job_->DoCopy(createTemplate(dir_).string(), target_.string()));
        ASSERT_TRUE(job_->DoBegin(target_.string()));
        writer_->setCurBatObj(job_);
    }

    TempDir dir_;
    fs::path database_;
    fs::path xml_;
    fs::path target_;
    std::shared_ptr<printjob::CExcelBatDo> job_ = printjob::CExcelBatDo::create();
    std::shared_ptr<CExcelOutputRcd> writer_ = CExcelOutputRcd::create();
};

TEST_F(SavedTableTest, SqliteQueryAsATitledTable) {
    writer_->setIsTitle(true);
    auto rst = data::SqliteRecordset::open(database_.string(),
                                           "SELECT id, customer AS Customer, amount, note FROM orders ORDER BY id");
    ASSERT_TRUE(writer_->DoA_RcdRst("Orders", rst, 2, 2));
    EXPECT_TRUE(rst->Eof());
    ASSERT_TRUE(job_->DoEnd());

    auto out = describeWithOpenpyxl(target_, "Orders", "('B2', 'B3', 'C3', 'E3', 'B4', 'C5', 'D5', 'E6', 'D6')",
                                    "(2, 3, 4, 6, 20)", "('B', 'C', 'D', 'E', 'F')");
    EXPECT_EQ(out,
              "['B2:E2']\n"
              "B2 'Orders记录' @ 宋体 18.0 True center center\n"
              "B3 'id' @ 宋体 16.0 False center center\n"
              "C3 'Customer' @ 宋体 16.0 False center center\n"
              "E3 'note' @ 宋体 16.0 False center center\n"
              "B4 1 @ 宋体 10.0 False left center\n"
              "C5 '北京贸易有限公司' @ 宋体 10.0 False left center\n"
              "D5 0 @ 宋体 10.0 False left center\n"
              "E6 'ok' @ 宋体 10.0 False left center\n"
              "D6 -3.25 @ 宋体 10.0 False left center\n"
              "2 48.0\n"
              "3 24.0\n"
              "4 16.0\n"
              "6 16.0\n"
              "20 16.0\n"
              "B narrow\n"
              "C wide\n"
              "D narrow\n"
              "E wide\n"
              "F narrow\n");
    // Our own reader sees the whole-sheet body style far from the table as well.
    auto application = host::files::newApplication();
    auto reopened = application->open(target_.string());
    auto orders = reopened->worksheets().front();
    host::Range far = orders->range("Z100");
    EXPECT_EQ(far.font().name(), "宋体");
    EXPECT_EQ(far.font().size(), 10);
    EXPECT_EQ(far.numberFormatLocal(), "@");
    EXPECT_EQ(far.rowHeight(), 16);
    EXPECT_EQ(orders->range("C5").value(), Variant("北京贸易有限公司"));
    EXPECT_GT(orders->range("E1").columnWidth(), orders->range("F1").columnWidth());
    application->quit();

    // Only the registered sheet survives the end of the job.
    EXPECT_EQ(runPython("import openpyxl\nprint(openpyxl.load_workbook(r'" + target_.string() + "').sheetnames)\n"),
              "['Orders']\n");
}

// The application sizes a row by its font unless the row (or, for rows not listed, the sheet's
// default) is marked as custom-sized: the table's heights must carry that mark in the file.
TEST_F(SavedTableTest, RowHeightsAreSavedAsCustomHeights) {
    writer_->setIsTitle(true);
    auto rst = test::records({"id", "name"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant("Bob")}});
    ASSERT_TRUE(writer_->DoA_RcdRst("Orders", rst, 2, 2));
    ASSERT_TRUE(job_->DoEnd());
    auto out = runPython(
        "import re, zipfile\n"
        "import xml.etree.ElementTree as ET\n"
        "z = zipfile.ZipFile(r'" + target_.string() + "')\n"
        "sheets = [n for n in z.namelist() if re.fullmatch(r'xl/worksheets/sheet\\d+\\.xml', n)]\n"
        "root = ET.fromstring(z.read(sheets[0]))\n"
        "ns = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'\n"
        "f = root.find(ns + 'sheetFormatPr')\n"
        "print(len(sheets), 'default', f.get('defaultRowHeight'), f.get('customHeight'))\n"
        "for row in root.iter(ns + 'row'):\n"
        "    if row.get('r') in ('2', '3', '4', '5'):\n"
        "        print(row.get('r'), row.get('ht'), row.get('customHeight'))\n");
    EXPECT_EQ(out,
              "1 default 16 1\n"
              "2 48 1\n"
              "3 24 1\n"
              "4 16 1\n"
              "5 16 1\n");
}

TEST_F(SavedTableTest, EveryXmlModeAsATable) {
    writer_->setIsTitle(true);
    writer_->setTitle("Items");
    writer_->setXmlFldKey("key");
    writer_->setXmlFldAdo("caption");
    const std::vector<std::pair<int32_t, std::string>> modes = {{0, "item"}, {1, "field"}, {2, "field"}, {3, "field"}};
    for (const auto& [way, columnQuery] : modes) {
        writer_->setXmlWay(way);
        ASSERT_TRUE(writer_->DoA_RcdXml("Mode" + std::to_string(way), xml_.string(), "item", columnQuery)) << way;
    }
    ASSERT_TRUE(job_->DoEnd());

    for (int way = 0; way <= 3; ++way) {
        SCOPED_TRACE(way);
        const std::string firstCaption = way == 3 ? "Article number" : "sku";
        const std::string secondCaption = way == 3 ? "Label" : "label";
        auto out = describeWithOpenpyxl(target_, "Mode" + std::to_string(way), "('A1', 'A2', 'B2', 'A3', 'B4')",
                                        "(1, 2, 3, 4)", "('A', 'B')");
        EXPECT_EQ(out,
                  "['A1:B1']\n"
                  "A1 'Items' @ 宋体 18.0 True center center\n"
                  "A2 '" + firstCaption + "' @ 宋体 16.0 False center center\n"
                  "B2 '" + secondCaption + "' @ 宋体 16.0 False center center\n"
                  "A3 'A-1' @ 宋体 10.0 False left center\n"
                  "B4 'short' @ 宋体 10.0 False left center\n"
                  "1 48.0\n"
                  "2 24.0\n"
                  "3 16.0\n"
                  "4 16.0\n"
                  "A " + std::string(way == 3 ? "wide" : "narrow") + "\n"
                  "B wide\n");
    }
}

}  // namespace
}  // namespace tavlora::outputrcd
