#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/Worksheet.h"
#include "host/xlsx/WorksheetWriter.h"

namespace tavlora::host::xlsx {
namespace {

class SheetXml : public ::testing::Test {
protected:
    void SetUp() override {
        book_ = test::emptyWorkbook();
        sheet_ = book_->addWorksheet();
    }

    Cell& put(int32_t row, int32_t column) { return sheet_->store().cellAt(row, column); }

    std::string rowXml(int32_t row, std::string_view prefix = "") {
        SharedStringTable table = tableOfAllStrings();
        std::string out;
        SheetXmlWriter(*sheet_, table, prefix).row(out, *sheet_->store().findRow(row));
        return out;
    }

    SharedStringTable tableOfAllStrings() const {
        SharedStringTable table;
        const StringPool& pool = book_->store().strings;
        for (uint32_t id = 0; id < pool.size(); ++id) {
            table.fileIndex.push_back(id);
            table.written.push_back(id);
        }
        return table;
    }

    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Worksheet> sheet_;
};

TEST_F(SheetXml, ValueCells) {
    put(3, 1) = Cell{1, CellKind::Number, 0, 0, {.number = 1.5}};
    put(3, 2) = Cell{2, CellKind::Number, 0, 4, {.number = 100000}};
    put(3, 3) = Cell{3, CellKind::Number, 0, 0, {.number = 0.1 + 0.2}};
    put(3, 4) = Cell{4, CellKind::Boolean, 0, 0, {.boolean = true}};
    Cell error{5, CellKind::Error, 0, 0, {}};
    error.payload.stringId = book_->store().strings.intern("#N/A");
    put(3, 5) = error;
    Cell text{26, CellKind::String, 0, 0, {}};
    text.payload.stringId = book_->store().strings.intern("x");
    put(3, 26) = text;
    put(3, 27) = Cell{27, CellKind::Empty, 0, 2, {}};
    EXPECT_EQ(rowXml(3),
              "<row r=\"3\"><c r=\"A3\"><v>1.5</v></c><c r=\"B3\" s=\"4\"><v>100000</v></c>"
              "<c r=\"C3\"><v>0.30000000000000004</v></c><c r=\"D3\" t=\"b\"><v>1</v></c>"
              "<c r=\"E3\" t=\"e\"><v>#N/A</v></c><c r=\"Z3\" t=\"s\"><v>1</v></c><c r=\"AA3\" s=\"2\"/></row>");
}

TEST_F(SheetXml, FormulaCellsWithCachedValues) {
    auto formula = [&](int32_t column, Formula f) {
        Cell cell{static_cast<uint16_t>(column), CellKind::Formula, 0, 0, {}};
        cell.payload.formulaId = sheet_->store().addFormula(std::move(f));
        put(1, column) = cell;
    };
    formula(1, Formula("SUM(B1:C1)&\"<\"", CellKind::Number, 3));
    formula(2, Formula("\"a\"", CellKind::String, 0, " a "));
    formula(3, Formula("1/0", CellKind::Error, 0, "#DIV/0!"));
    formula(4, Formula("TRUE", CellKind::Boolean, 1));
    Formula array("A1*2");
    array.setArrayArea(Area{1, 5, 2, 5});
    formula(5, std::move(array));
    EXPECT_EQ(rowXml(1),
              "<row r=\"1\"><c r=\"A1\"><f>SUM(B1:C1)&amp;\"&lt;\"</f><v>3</v></c>"
              "<c r=\"B1\" t=\"str\"><f>\"a\"</f><v> a </v></c>"
              "<c r=\"C1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
              "<c r=\"D1\" t=\"b\"><f>TRUE</f><v>1</v></c>"
              "<c r=\"E1\"><f t=\"array\" ref=\"E1:E2\">A1*2</f></c></row>");
}

TEST_F(SheetXml, RowAttributesAndPrefix) {
    RowInfo& row = sheet_->store().rowAt(7);
    row.height = 20.25;
    row.customHeight = true;
    row.hidden = true;
    row.hasStyle = true;
    row.style = 3;
    row.extraAttributes = " outlineLevel=\"1\"";
    EXPECT_EQ(rowXml(7, "x:"),
              "<x:row r=\"7\" s=\"3\" customFormat=\"1\" ht=\"20.25\" customHeight=\"1\" hidden=\"1\" outlineLevel=\"1\"/>");
    // A cell of a formatted row states its own format, even the default one.
    put(7, 2) = Cell{2, CellKind::Number, 0, 0, {.number = -2}};
    EXPECT_EQ(rowXml(7, "x:"),
              "<x:row r=\"7\" s=\"3\" customFormat=\"1\" ht=\"20.25\" customHeight=\"1\" hidden=\"1\" outlineLevel=\"1\">"
              "<x:c r=\"B7\" s=\"0\"><x:v>-2</x:v></x:c></x:row>");
}

// Cells of the common kinds take a shorter way than the others; both must write the same XML,
// whatever the prefix (a long one takes the general way), at the grid's limits too.
TEST_F(SheetXml, CommonCellsAtTheLimits) {
    auto text = [&](std::string_view t) { return book_->store().strings.intern(t); };
    put(1048576, 1) = Cell{1, CellKind::Number, 0, 4294967295u, {.number = -0.000125}};
    put(1048576, 2) = Cell{2, CellKind::Boolean, 0, 0, {.boolean = false}};
    Cell shared{27, CellKind::String, 0, 7, {}};
    shared.payload.stringId = text("a");
    put(1048576, 27) = shared;
    put(1048576, 16383) = Cell{16383, CellKind::Number, 0, 0, {.number = 1234567.125}};
    put(1048576, 16384) = Cell{16384, CellKind::Empty, 0, 1, {}};
    const std::string expected =
        "<P:row r=\"1048576\"><P:c r=\"A1048576\" s=\"4294967295\"><P:v>-0.000125</P:v></P:c>"
        "<P:c r=\"B1048576\" t=\"b\"><P:v>0</P:v></P:c><P:c r=\"AA1048576\" s=\"7\" t=\"s\"><P:v>0</P:v></P:c>"
        "<P:c r=\"XFC1048576\"><P:v>1234567.125</P:v></P:c><P:c r=\"XFD1048576\" s=\"1\"/></P:row>";
    for (std::string prefix : {"", "x:", "a_prefix_longer_than_most:"}) {
        std::string withPrefix = expected;
        for (size_t at; (at = withPrefix.find("P:")) != std::string::npos;) withPrefix.replace(at, 2, prefix);
        EXPECT_EQ(rowXml(1048576, prefix), withPrefix);
    }
    // A text the save does not list is written inline, between common cells.
    Cell inlineText{3, CellKind::String, 0, 0, {}};
    inlineText.payload.stringId = text("b");
    put(1048576, 3) = inlineText;
    SharedStringTable table = tableOfAllStrings();
    table.fileIndex[inlineText.payload.stringId] = SharedStringTable::kUnused;
    std::string out;
    SheetXmlWriter(*sheet_, table, "").row(out, *sheet_->store().findRow(1048576));
    EXPECT_NE(out.find("<c r=\"B1048576\" t=\"b\"><v>0</v></c><c r=\"C1048576\" t=\"inlineStr\"><is><t>b</t></is></c>"
                       "<c r=\"AA1048576\" s=\"7\" t=\"s\"><v>0</v></c>"),
              std::string::npos)
        << out;
}

TEST_F(SheetXml, EmptyRowIsLeftOut) {
    sheet_->store().rowAt(4);
    EXPECT_EQ(rowXml(4), "");
}

TEST_F(SheetXml, TextCellNotInTheTableIsWrittenInline) {
    Cell text{1, CellKind::String, 0, 0, {}};
    text.payload.stringId = book_->store().strings.intern(" a&b ");
    put(2, 1) = text;
    SharedStringTable table;  // empty: nothing shared
    table.fileIndex.assign(book_->store().strings.size(), SharedStringTable::kUnused);
    std::string out;
    SheetXmlWriter(*sheet_, table, "").row(out, *sheet_->store().findRow(2));
    EXPECT_EQ(out, "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> a&amp;b </t></is></c></row>");
}

TEST_F(SheetXml, ColumnsMergesAndDimension) {
    auto& columns = sheet_->store().columns();
    columns.push_back(ColumnInfo{1, 2, 12.5, true, false, false, 0, {}});
    columns.push_back(ColumnInfo{4, 4, -1, false, true, true, 5, " outlineLevel=\"2\""});
    sheet_->mergedAreas().push_back(Area{1, 1, 2, 3});
    sheet_->mergedAreas().push_back(Area{5, 2, 9, 2});
    put(2, 3) = Cell{3, CellKind::Number, 0, 0, {.number = 1}};
    put(9, 2) = Cell{2, CellKind::Number, 0, 0, {.number = 1}};
    put(9, 4) = Cell{4, CellKind::Number, 0, 0, {.number = 1}};
    SharedStringTable table;
    std::string out;
    SheetXmlWriter writer(*sheet_, table, "");
    // Column D has a format: its cell without one says so, as some readers take the column's.
    writer.row(out, *sheet_->store().findRow(9));
    EXPECT_EQ(out, "<row r=\"9\"><c r=\"B9\"><v>1</v></c><c r=\"D9\" s=\"0\"><v>1</v></c></row>");
    out.clear();
    writer.columns(out);
    EXPECT_EQ(out,
              "<cols><col min=\"1\" max=\"2\" width=\"13.21428571\" customWidth=\"1\"/>"
              "<col min=\"4\" max=\"4\" width=\"9.14428571\" style=\"5\" hidden=\"1\" outlineLevel=\"2\"/></cols>");
    out.clear();
    writer.mergeCells(out);
    EXPECT_EQ(out, "<mergeCells count=\"2\"><mergeCell ref=\"A1:C2\"/><mergeCell ref=\"B5:B9\"/></mergeCells>");
    out.clear();
    writer.dimension(out);
    EXPECT_EQ(out, "<dimension ref=\"B2:D9\"/>");
}

// Only columns up to the last one with a format of its own are looked up; past it, and before
// the first, a cell says s="0" only when the sheet has a format.
TEST_F(SheetXml, CellsWithoutFormatSayS0InStyledColumnsAndOnAStyledSheet) {
    sheet_->store().columns().push_back(ColumnInfo{6, 6, -1, false, false, true, 5, {}});
    for (int32_t column : {2, 6, 8, 16384}) put(3, column) = Cell{uint16_t(column), CellKind::Number, 0, 0, {.number = 1}};
    SharedStringTable table;
    std::string out;
    SheetXmlWriter(*sheet_, table, "").row(out, *sheet_->store().findRow(3));
    EXPECT_EQ(out, "<row r=\"3\"><c r=\"B3\"><v>1</v></c><c r=\"F3\" s=\"0\"><v>1</v></c><c r=\"H3\"><v>1</v></c>"
                   "<c r=\"XFD3\"><v>1</v></c></row>");
    sheet_->setSheetStyle(0);
    out.clear();
    SheetXmlWriter(*sheet_, table, "").row(out, *sheet_->store().findRow(3));
    EXPECT_EQ(out, "<row r=\"3\"><c r=\"B3\" s=\"0\"><v>1</v></c><c r=\"F3\" s=\"0\"><v>1</v></c>"
                   "<c r=\"H3\" s=\"0\"><v>1</v></c><c r=\"XFD3\" s=\"0\"><v>1</v></c></row>");
}

}  // namespace
}  // namespace tavlora::host::xlsx
