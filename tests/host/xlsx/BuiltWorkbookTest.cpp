#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

using namespace tavlora::host;

// A workbook made in code, saved, and read by an independent reader: exactly the content put in.
class BuiltWorkbook : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = files::newApplication();
        book_ = app_->add();
        sheet_ = book_->worksheets().front();
        sheet_->setName("Report 'A' 1");
    }

    void putText(const std::string& address, const std::string& text) {
        Area area = *parseA1(address);
        Cell& cell = sheet_->store().cellAt(area.firstRow, area.firstColumn);
        cell.kind = CellKind::String;
        cell.payload.stringId = book_->store().strings.intern(text);
    }

    void putCell(const std::string& address, CellKind kind, double number, const std::string& text = "") {
        Area area = *parseA1(address);
        Cell& cell = sheet_->store().cellAt(area.firstRow, area.firstColumn);
        cell.kind = kind;
        if (kind == CellKind::Boolean) cell.payload.boolean = number != 0;
        else if (kind == CellKind::Error) cell.payload.stringId = book_->store().strings.intern(text);
        else cell.payload.number = number;
    }

    void putFormula(const std::string& address, Formula formula) {
        Area area = *parseA1(address);
        Cell& cell = sheet_->store().cellAt(area.firstRow, area.firstColumn);
        cell.kind = CellKind::Formula;
        cell.payload.formulaId = sheet_->store().addFormula(std::move(formula));
    }

    std::shared_ptr<Application> app_;
    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Worksheet> sheet_;
};

TEST_F(BuiltWorkbook, OpenpyxlReadsExactlyWhatWasPut) {
    if (!haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    sheet_->range("A1").setValue("Name");
    sheet_->range("B1").setValue("Amount");
    sheet_->range("A2").setValue("Apple");
    sheet_->range("B2").setValue(1.5);
    sheet_->range("B3").setValue("=1+1");  // data, never a formula
    sheet_->range("B5").setValue(1e-7);
    sheet_->range("B6").setValue(123456789.125);
    sheet_->range("B7").setValue(-0.5);
    putText("C2", "");  // an empty text stays an empty text
    putText("A3", "a & b <c> \"d\"");
    putText("C3", "  spaced  ");
    putText("A4", "line1\nline2");
    putText("B4", "bell\x07" "end");
    putText("C4", "_x0041_");
    putText("A5", "\xC3\x9Cn\xC3\xAF \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    putCell("D2", CellKind::Boolean, 1);
    putCell("D3", CellKind::Error, 0, "#N/A");
    putFormula("D5", Formula("SUM(B2:B4)", CellKind::Number, 1.5));
    putFormula("D6", Formula("A2&\"!\"", CellKind::String, 0, "Apple!"));
    sheet_->range("A1:B1").font().setBold(true);
    sheet_->range("A1").font().setSize(14);
    sheet_->range("B2").setNumberFormatLocal("0.00%");
    sheet_->range("A8:C9").merge();
    sheet_->range("A14:B15").merge();
    sheet_->range("1:1").setRowHeight(30);
    sheet_->range("B:B").setColumnWidth(20);
    sheet_->range("A10").setValue("row 10");
    sheet_->range("A11").setValue("row 11, deleted");
    sheet_->range("A12").setValue("row 12, moves up");
    sheet_->range("11:11").deleteCells();

    auto hidden = book_->addWorksheet(nullptr, sheet_.get());
    hidden->setName("Lists");
    hidden->setVisibility(SheetVisibility::Hidden);
    hidden->range("A1").setValue(42.0);
    book_->setActiveSheet(*sheet_);
    book_->definedNames().push_back(DefinedName{"Total", "'Report ''A'' 1'!$B$2", -1, ""});
    book_->definedNames().push_back(DefinedName{"Local", "Lists!$A$1", 1, " hidden=\"1\""});

    TempDir dir;
    auto path = dir.file("built.xlsx");
    book_->saveAs(path.string());

    std::string script = R"(
import warnings; warnings.simplefilter("ignore")
import openpyxl
wb = openpyxl.load_workbook(")" + path.string() + R"(")
for ws in wb.worksheets:
    print("sheet", repr(ws.title), ws.sheet_state)
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print(" ", c.coordinate, type(c.value).__name__, repr(c.value))
    for c in ("A1", "B1", "B2"):
        cell = ws[c]
        if cell.font.b or cell.number_format != "General" or cell.font.sz != 11:
            print("  style", c, cell.font.b, cell.font.sz, cell.number_format)
    print("  merged", sorted(str(r) for r in ws.merged_cells.ranges))
    for k, d in sorted(ws.row_dimensions.items()):
        if d.customHeight: print("  height", k, d.height)
    for k, d in sorted(ws.column_dimensions.items()):
        if d.customWidth: print("  width", k, round(d.width, 4))
for n in wb.defined_names.definedName:
    print("name", n.name, n.localSheetId, n.value, n.hidden)
print("active", wb.active.title)
)";
    EXPECT_EQ(runPython(script),
              "sheet \"Report 'A' 1\" visible\n"
              "  A1 str 'Name'\n"
              "  B1 str 'Amount'\n"
              "  A2 str 'Apple'\n"
              "  B2 float 1.5\n"
              "  C2 str ''\n"
              "  D2 bool True\n"
              "  A3 str 'a & b <c> \"d\"'\n"
              "  B3 str '=1+1'\n"
              "  C3 str '  spaced  '\n"
              "  D3 str '#N/A'\n"
              "  A4 str 'line1\\nline2'\n"
              // openpyxl 3.0 leaves _xHHHH_ as written (Excel decodes it; our reader's check below does)
              "  B4 str 'bell_x0007_end'\n"
              "  C4 str '_x0041_'\n"
              "  A5 str '\xC3\x9Cn\xC3\xAF \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80'\n"
              "  B5 float 1e-07\n"
              "  D5 str '=SUM(B2:B4)'\n"
              "  B6 float 123456789.125\n"
              "  D6 str '=A2&\"!\"'\n"
              "  B7 float -0.5\n"
              "  A10 str 'row 10'\n"
              "  A11 str 'row 12, moves up'\n"
              "  style A1 True 14.0 General\n"
              "  style B1 True 11.0 General\n"
              "  style B2 False 11.0 0.00%\n"
              "  merged ['A13:B14', 'A8:C9']\n"
              "  height 1 30.0\n"
              "  width B 20.7143\n"
              "sheet 'Lists' hidden\n"
              "  A1 int 42\n"
              "  merged []\n"
              "name Total None 'Report ''A'' 1'!$B$2 None\n"
              "name Local 1 Lists!$A$1 True\n"
              "active Report 'A' 1\n");

    // Our own reader sees the same workbook again.
    auto reread = readXlsx(path);
    EXPECT_EQ(describeWorkbook(*reread), describeWorkbook(*book_));
}

TEST_F(BuiltWorkbook, NewWorkbookIsAMinimalValidPackage) {
    sheet_->range("A1").setValue("x");
    TempDir dir;
    auto path = dir.file("new.xlsx");
    book_->saveAs(path.string());
    EXPECT_EQ(zipListing(path),
              "[Content_Types].xml\n_rels/.rels\nxl/_rels/workbook.xml.rels\nxl/sharedStrings.xml\nxl/styles.xml\n"
              "xl/workbook.xml\nxl/worksheets/sheet1.xml\n");
}

TEST_F(BuiltWorkbook, DeletedSheetTakesItsPartsAlong) {
    // A fixture sheet with a drawing, a chart and an image: deleting it drops them.
    auto book = app_->open(fixture("libreoffice_charts_images.xlsx").string());
    book->addWorksheet();
    book->deleteSheet(*book->sheets().back());  // the new one: nothing changes
    auto data = book->worksheets().front();
    book->addWorksheet(nullptr, data.get())->range("A1").setValue("left");
    book->deleteSheet(*data);
    TempDir dir;
    auto path = dir.file("trimmed.xlsx");
    book->saveAs(path.string());
    std::string listing = zipListing(path);
    EXPECT_EQ(listing.find("xl/drawings/"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("xl/charts/"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("xl/media/"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("xl/worksheets/sheet1.xml"), std::string::npos) << listing;
    auto reread = readXlsx(path);
    ASSERT_EQ(reread->sheets().size(), 1u);
    EXPECT_EQ(reread->sheets().front()->name(), book->sheets().front()->name());
    EXPECT_EQ(describeWorkbook(*reread), describeWorkbook(*book));
    if (haveOpenpyxl()) {
        EXPECT_EQ(runPython("import openpyxl\nwb = openpyxl.load_workbook('" + path.string() +
                            "')\nprint(wb.sheetnames, wb.active['A1'].value)\n"),
                  "['" + book->sheets().front()->name() + "'] left\n");
    }
}

}  // namespace
}  // namespace tavlora::test
