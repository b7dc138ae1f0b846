// Formulas that name the tables of a template are computed, and keep naming the right cells when
// rows and columns of the sheet go.
#include <gtest/gtest.h>

#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

// "Items" over B2:D6 of sheet "Data": header row 2, data rows 3 to 5 (a 4, b 5, c 7), totals row
// 6; column D doubles Qty. Row 1 holds formulas reading the table from outside.
PartList itemsPackage() {
    auto text = [](const char* cell, const char* value) {
        return std::string("<c r=\"") + cell + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
    };
    auto formula = [](const std::string& cell, const std::string& f) {
        return "<c r=\"" + cell + "\"><f>" + f + "</f></c>";
    };
    std::string rows = "<row r=\"1\">" + formula("F1", "SUM(Items[Qty])") + formula("G1", "items[[#totals],[qty]]") +
                       formula("H1", "SUM(Items[Double])") + formula("I1", "ROWS(Items[#All])") +
                       formula("J1", "SUM(Nothing[Qty])") + formula("K1", "SUM(Items[Nope])") +
                       formula("L1", "COUNTA(Items[[#Headers],[Name]:[Double]])") + "</row>";
    rows += "<row r=\"2\">" + text("B2", "Name") + text("C2", "Qty") + text("D2", "Double") + "</row>";
    const char* names[] = {"a", "b", "c"};
    const int quantities[] = {4, 5, 7};
    for (int i = 0; i < 3; ++i) {
        const std::string r = std::to_string(i + 3);
        rows += "<row r=\"" + r + "\">" + text(("B" + r).c_str(), names[i]) + "<c r=\"C" + r + "\"><v>" +
                std::to_string(quantities[i]) + "</v></c>" + formula("D" + r, "Items[[#This Row],[Qty]]*2") + "</row>";
    }
    rows += "<row r=\"6\">" + text("B6", "Total") + formula("C6", "SUBTOTAL(109,Items[Qty])") + "</row>";
    return packageWithTable(
        rows,
        R"(<table xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" id="1" name="Items" displayName="Items" )"
        R"(ref="B2:D6" totalsRowCount="1"><autoFilter ref="B2:D5"/><tableColumns count="3"><tableColumn id="1" name="Name"/>)"
        R"(<tableColumn id="2" name="Qty" totalsRowFunction="sum"/><tableColumn id="3" name="Double">)"
        R"(<calculatedColumnFormula>Items[[#This Row],[Qty]]*2</calculatedColumnFormula></tableColumn></tableColumns></table>)");
}

class TableFormulas : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("items.xlsx"), itemsPackage());
        app_ = host::files::newApplication();
        book_ = app_->open(dir_.file("items.xlsx").string());
        sheet_ = book_->worksheets().front();
    }
    // The displayed results of row 1, from column F on.
    std::string results(const char* from = "F1", int count = 7) {
        std::string out;
        auto first = sheet_->range(from);
        for (int i = 0; i < count; ++i) out += (i ? " " : "") + first.cell(1, i + 1).text();
        return out;
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> sheet_;
};

TEST_F(TableFormulas, NameColumnsRowsAndPartsOfTheTable) {
    EXPECT_EQ(results(), "16 16 32 5 #REF! #REF! 3");
    EXPECT_EQ(sheet_->range("D4").text(), "10");
    EXPECT_EQ(sheet_->range("C6").text(), "16");
    sheet_->range("C4").setValue(com::Variant(50.0));
    EXPECT_EQ(results(), "61 61 122 5 #REF! #REF! 3");
}

TEST_F(TableFormulas, FollowTheTableWhenRowsAndColumnsGo) {
    sheet_->range("4:4").deleteCells();  // the data row of "b"
    EXPECT_EQ(results(), "11 11 22 4 #REF! #REF! 3");
    sheet_->range("A:A").deleteCells();
    EXPECT_EQ(results("E1"), "11 11 22 4 #REF! #REF! 3");
    EXPECT_EQ(sheet_->range("C4").text(), "14");  // c's double, now in C4
    sheet_->range("2:2").deleteCells();  // the header row: the table is gone
    EXPECT_EQ(results("E1", 2), "#REF! #REF!");
}

}  // namespace
}  // namespace tavlora::test
