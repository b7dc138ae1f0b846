// Cells whose file form says more than the engine models: a picture in a cell, a dynamic array,
// a formula to calculate always, a what-if data table. They come back from a save as they were,
// follow deleted rows, and lose what no longer applies once a filler writes over them.
#include <gtest/gtest.h>

#include <regex>

#include "com/Conversions.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

// A1 a picture placed in the cell, B1 a spilled SEQUENCE, C1 a formula to calculate always,
// D4:D6 a one-input data table over input cell A2, with D5 and D6 holding its results only.
constexpr const char* kRows =
    R"(<row r="1"><c r="A1" t="e" vm="1"><v>#VALUE!</v></c>)"
    R"(<c r="B1" cm="1"><f t="array" ref="B1:B3">_xlfn.SEQUENCE(3)</f><v>1</v></c>)"
    R"(<c r="C1"><f ca="1">A2*3</f><v>15</v></c></row>)"
    R"(<row r="2"><c r="A2"><v>5</v></c></row>)"
    R"(<row r="4"><c r="D4"><f t="dataTable" ref="D4:D6" dt2D="0" dtr="0" r1="A2"/><v>10</v></c></row>)"
    R"(<row r="5"><c r="D5"><v>20</v></c></row><row r="6"><c r="D6"><v>30</v></c></row>)";

// The saved <c> element of one cell.
std::string savedCell(const std::string& sheetXml, const std::string& reference) {
    std::smatch match;
    std::regex element("<c r=\"" + reference + "\"[^>]*(/>|>.*?</c>)");
    return std::regex_search(sheetXml, match, element) ? match.str() : "";
}

class KeptCellAttributes : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("book.xlsx"), packageWithRows(kRows));
        book_ = readXlsx(dir_.file("book.xlsx"));
        sheet_ = book_->worksheets().front();
    }

    std::string savedSheet() {
        auto path = dir_.file("saved.xlsx");
        book_->saveAs(path.string());
        return zipPartText(path, "xl/worksheets/sheet1.xml");
    }

    TempDir dir_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> sheet_;
};

TEST_F(KeptCellAttributes, ComeBackFromASave) {
    std::string xml = savedSheet();
    EXPECT_EQ(savedCell(xml, "A1"), R"(<c r="A1" vm="1" t="e"><v>#VALUE!</v></c>)");
    EXPECT_EQ(savedCell(xml, "B1"), R"(<c r="B1" cm="1"><f t="array" ref="B1:B3">_xlfn.SEQUENCE(3)</f><v>1</v></c>)");
    EXPECT_EQ(savedCell(xml, "C1"), R"(<c r="C1"><f ca="1">A2*3</f><v>15</v></c>)");
    EXPECT_EQ(savedCell(xml, "D4"), R"(<c r="D4"><f t="dataTable" ref="D4:D6" dt2D="0" dtr="0" r1="A2"/><v>10</v></c>)");
    EXPECT_EQ(savedCell(xml, "D5"), R"(<c r="D5"><v>20</v></c>)");
}

TEST_F(KeptCellAttributes, TheEngineKeepsTheValuesItCannotCompute) {
    EXPECT_EQ(sheet_->range("A1").text(), "#VALUE!");
    sheet_->range("E1").setFormula("=D4+D5+D6");
    EXPECT_EQ(com::toDouble(sheet_->range("E1").value()), 60);
    sheet_->range("A2").setValue(com::Variant(7.0));  // the input changes; the table keeps the file's values
    EXPECT_EQ(com::toDouble(sheet_->range("D4").value()), 10);
    EXPECT_NE(savedCell(savedSheet(), "D4").find(R"(t="dataTable")"), std::string::npos);
}

TEST_F(KeptCellAttributes, FollowDeletedRowsAndColumns) {
    sheet_->range("3:3").deleteCells();
    sheet_->range("E:E").deleteCells();  // right of everything: nothing moves
    std::string xml = savedSheet();
    EXPECT_EQ(savedCell(xml, "D3"), R"(<c r="D3"><f t="dataTable" ref="D3:D5" dt2D="0" dtr="0" r1="A2"/><v>10</v></c>)");
    EXPECT_EQ(savedCell(xml, "C1"), R"(<c r="C1"><f ca="1">A2*3</f><v>15</v></c>)");

    sheet_->range("A:A").deleteCells();  // the picture and the data table's input cell go
    xml = savedSheet();
    EXPECT_EQ(savedCell(xml, "A1"), R"(<c r="A1" cm="1"><f t="array" ref="A1:A2">_xlfn.SEQUENCE(3)</f><v>1</v></c>)");
    EXPECT_NE(savedCell(xml, "B1").find(R"(<f ca="1">#REF!*3</f>)"), std::string::npos) << xml;
    EXPECT_EQ(savedCell(xml, "C3"), R"(<c r="C3"><v>10</v></c>)") << "a data table without its input keeps its values";
}

TEST_F(KeptCellAttributes, AreDroppedWhenTheCellIsWrittenOver) {
    sheet_->range("A1").setValue(com::Variant(std::string("logo")));
    sheet_->range("B1").setFormula("=1+1");
    sheet_->range("C1").setFormula("=A2*4");
    sheet_->range("D4").setValue(com::Variant(11.0));
    std::string xml = savedSheet();
    EXPECT_EQ(savedCell(xml, "A1").find("vm="), std::string::npos) << xml;
    EXPECT_EQ(savedCell(xml, "B1").find("cm="), std::string::npos) << xml;
    EXPECT_EQ(savedCell(xml, "C1").find("ca="), std::string::npos) << xml;
    EXPECT_EQ(savedCell(xml, "D4").find("dataTable"), std::string::npos) << xml;
}

}  // namespace
}  // namespace tavlora::test
