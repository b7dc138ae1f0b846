#include <gtest/gtest.h>

#include "data/XmlDocument.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"
#include "TmplBatTestSupport.h"

#include <filesystem>
#include <fstream>

namespace tavlora::tmplbat {
namespace {

using com::Variant;
using data::MemoryRecordset;
using test::ListBook;
using test::recordset;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// Sequential list: columns B (CODE) and C (NAME) from row 3, one row per record.
void sequentialTemplate(ListBook& book) {
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "CODE"}, {"C1", "NAME"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
}

// Keyed list: labels A, B, C in A7:A9; VALUE goes to column B of the label's row.
void keyedTemplate(ListBook& book) {
    book.put({{"A1", "KEY"}, {"A2", "2,1"}, {"A3", "7,3"}, {"B1", "VALUE"}, {"A7", "A"}, {"A8", "B"}, {"A9", "C"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
}

std::shared_ptr<data::XmlNodeList> nodes(data::XmlDocument& document, const std::string& xml, const char* query) {
    EXPECT_TRUE(document.loadXml(xml));
    return document.documentElement().selectNodes(query);
}

// ---- recordsets ----

TEST(OutputRst, SequentialRecordsFillConsecutiveRowsAndLeaveTheCursorAtItsEnd) {
    ListBook book;
    sequentialTemplate(book);
    auto rst = recordset({"code", "Name"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant("Bob")}, {Variant(3), Variant("Cy")}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(book.column("B", 3, 6), (Strings{"1", "2", "3", ""}));
    EXPECT_EQ(book.column("C", 3, 6), (Strings{"Ann", "Bob", "Cy", ""}));
    EXPECT_EQ(book.at("B3"), Variant(1.0));  // numeric text lands as a number
}

TEST(OutputRst, ReadsFromWhereTheCursorStands) {
    ListBook book;
    sequentialTemplate(book);
    auto rst = recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant("Bob")}});
    rst->MoveNext();
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.column("C", 3, 4), (Strings{"Bob", ""}));
}

TEST(OutputRst, AnEmptyRecordsetWritesNothingButMapsTheFields) {
    ListBook book;
    sequentialTemplate(book);
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"x", "name"}, {})));
    EXPECT_EQ(book.text("B3"), "");
    EXPECT_EQ(book.filler->layout().arrFldIndex, (std::vector<int16_t>{-1, 1}));
}

TEST(OutputRst, TwoRowsPerRecordWithOffsets) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"A6", "0"}, {"B1", "CODE(0,2)"}, {"C1", "NAME(0,2)"}, {"D1", "ADDR(1,2)"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    auto rst = recordset({"CODE", "NAME", "ADDR"}, {{Variant("c1"), Variant("n1"), Variant("a1")},
                                                    {Variant("c2"), Variant("n2"), Variant("a2")},
                                                    {Variant("c3"), Variant("n3"), Variant("a3")}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.column("B", 3, 8), (Strings{"c1", "", "c2", "", "c3", ""}));
    EXPECT_EQ(book.column("C", 3, 8), (Strings{"n1", "", "n2", "", "n3", ""}));
    EXPECT_EQ(book.column("D", 3, 8), (Strings{"", "a1", "", "a2", "", "a3"}));
}

TEST(OutputRst, AColumnWithStepZeroKeepsTheLastRecord) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "NAME"}, {"C1", "TOTAL(2,0)"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"NAME", "TOTAL"}, {{Variant("a"), Variant(1)}, {Variant("b"), Variant(2)}})));
    EXPECT_EQ(book.column("B", 3, 4), (Strings{"a", "b"}));
    EXPECT_EQ(book.text("C5"), "2");
    EXPECT_EQ(book.text("C3"), "");
}

TEST(OutputRst, ZeroSuppressionFollowsIsNoZero) {
    const std::vector<Variant> values = {Variant(0), Variant(0.0), Variant(-0.00000001), Variant("0.00"),
                                         Variant(0.001), Variant("abc")};
    for (bool noZero : {true, false}) {
        ListBook book;
        book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "V"}});
        ASSERT_TRUE(book.filler->DoA_Begin("List"));
        book.filler->setIsNoZero(noZero);
        std::vector<MemoryRecordset::Row> rows;
        for (const Variant& v : values) rows.push_back({v});
        EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"V"}, rows)));
        if (noZero)
            EXPECT_EQ(book.column("B", 3, 8), (Strings{"", "", "", "", "0.001", "abc"}));
        else
            EXPECT_EQ(book.column("B", 3, 8), (Strings{"0", "0", com::toText(Variant(-0.00000001)), "0", "0.001", "abc"}));
    }
}

// The "no zeros" test and the typed write read a text as a number the same way: a formula-like
// text, a number past a double's range and a non-number stay texts, a zero too small to tell from
// 0 goes, and a zero goes from a text-formatted cell as well.
TEST(OutputRst, ZeroSuppressionReadsTextsAsTheTypedWriteDoes) {
    ListBook book;
    book.put({{"A2", "2,2"}, {"A3", "3"}, {"B1", "V"}, {"C1", "W"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    book.filler->setIsNoZero(true);
    book.list->range("C3:C7").setNumberFormatLocal("@");
    const std::vector<Variant> values = {Variant("=0"), Variant("1e-999"), Variant("7E400"), Variant(" 0 "),
                                         Variant("0x")};
    std::vector<MemoryRecordset::Row> rows;
    for (const Variant& v : values) rows.push_back({v, v});
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"V", "W"}, rows)));
    EXPECT_EQ(book.at("B3"), Variant("=0"));
    EXPECT_EQ(book.text("B4"), "");
    EXPECT_EQ(book.at("B5"), Variant("7E400"));
    EXPECT_EQ(book.text("B6"), "");
    EXPECT_EQ(book.at("B7"), Variant("0x"));
    EXPECT_EQ(book.column("C", 3, 7), (Strings{"=0", "", "7E400", "", "0x"}));
}

// A value reaches its cell as its text would: a number as the number its text reads back as,
// into a text-formatted cell (a whole row's format here, a single cell's below) as the text.
TEST(OutputRst, NumbersLandAsTheirTextReadsBack) {
    const std::vector<Variant> values = {Variant(0.1 + 0.2), Variant(123.25), Variant(7), Variant(12.99),
                                         Variant(int64_t{-42}), Variant(1.0 / 3.0)};
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "V"}, {"C1", "W"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    book.list->range("C3:C8").setNumberFormatLocal("@");
    book.list->range("5:5").setNumberFormatLocal("@");
    std::vector<MemoryRecordset::Row> rows;
    for (const Variant& v : values) rows.push_back({v, v});
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"V", "W"}, rows)));
    const std::vector<Variant> numbers = {Variant(0.3), Variant(123.25), Variant(7.0), Variant(12.99), Variant(-42.0),
                                          Variant(0.333333333333333)};
    for (int i = 0; i < 6; ++i) {
        std::string b = "B" + std::to_string(3 + i), c = "C" + std::to_string(3 + i);
        if (i == 2) {
            EXPECT_EQ(book.at(b.c_str()), Variant("7"));
        } else {
            EXPECT_EQ(book.at(b.c_str()), numbers[static_cast<size_t>(i)]) << b;
        }
        EXPECT_EQ(book.at(c.c_str()), Variant(com::toText(values[static_cast<size_t>(i)]))) << c;
    }
}

// Numbers are written straight into the stored cells, and the calculation told once a record: a
// total computed before the list was filled is computed again from them, also from a record that
// stopped midway, and a new cell takes its column's or row's format.
TEST(OutputRst, NumbersWrittenStraightReachFormulasAndTakeTheirRowsFormat) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "V"}, {"C1", "W"}});
    book.list->range("B10").setFormula("=SUM(B3:B8)");
    book.list->range("C10").setFormula("=B4*2");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_EQ(book.at("B10"), Variant(0.0));  // computed once before the fill
    book.list->range("C:C").setNumberFormatLocal("0.000");
    book.list->range("4:4").setNumberFormatLocal("0.0");
    // The last record stops at its null; the number it wrote before counts.
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset(
        {"V", "W"}, {{Variant(1.5), Variant(2)}, {Variant(4), Variant(3)}, {Variant(10), Variant::null()}})));
    EXPECT_EQ(book.at("B10"), Variant(15.5));
    EXPECT_EQ(book.at("C10"), Variant(8.0));
    EXPECT_EQ(book.at("C3"), Variant(2.0));
    EXPECT_EQ(book.list->range("C3").text(), "2.000");  // the column's format
    EXPECT_EQ(book.list->range("B4").text(), "4.0");    // the row's
}

// A record's texts are told to the calculation with its numbers: formulas computed before the fill
// read the texts written, also those of a record stopped by a null.
TEST(OutputRst, TextsWrittenByRecordsReachFormulas) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "V"}, {"C1", "W"}});
    book.list->range("C10").setFormula("=C3&\"!\"");
    book.list->range("B10").setFormula("=COUNTA(B3:C5)");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_EQ(book.at("C10"), Variant("!"));  // computed once before the fill
    EXPECT_EQ(book.at("B10"), Variant(0.0));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset(
        {"V", "W"}, {{Variant("a"), Variant("Ann")}, {Variant("b"), Variant(2)}, {Variant("c"), Variant::null()}})));
    EXPECT_EQ(book.at("C10"), Variant("Ann!"));
    EXPECT_EQ(book.at("B10"), Variant(5.0));
}

// ---- numbers over what the template's list cells hold ----

// A template read from a file whose list cells (B3:B6 and C3:C6, fields V and W) hold what a list
// may overwrite: a formula, a shared formula's anchor and members, a shared string, an error, an
// array formula, a truth value. D holds what the formulas read; row 9 totals the list's columns.
fs::path templateWithFormulasInTheList(const tavlora::test::TempDir& dir) {
    const std::string rows =
        R"(<row r="1"><c r="B1" t="inlineStr"><is><t>V</t></is></c><c r="C1" t="inlineStr"><is><t>W</t></is></c></row>)"
        R"(<row r="2"><c r="A2"><v>2</v></c></row>)"
        R"(<row r="3"><c r="A3"><v>3</v></c><c r="B3"><f>D3*10</f><v>10</v></c><c r="C3" t="s"><v>0</v></c><c r="D3"><v>1</v></c></row>)"
        R"(<row r="4"><c r="B4"><f t="shared" ref="B4:B7" si="0">D4*2</f><v>4</v></c><c r="C4" t="e"><v>#N/A</v></c><c r="D4"><v>2</v></c></row>)"
        R"(<row r="5"><c r="B5"><f t="shared" si="0"/><v>6</v></c><c r="C5"><f t="array" ref="C5">D5+1</f><v>4</v></c><c r="D5"><v>3</v></c></row>)"
        R"(<row r="6"><c r="B6"><f t="shared" si="0"/><v>8</v></c><c r="C6" t="b"><v>1</v></c><c r="D6"><v>4</v></c></row>)"
        R"(<row r="7"><c r="B7"><f t="shared" si="0"/><v>10</v></c><c r="D7"><v>5</v></c></row>)"
        R"(<row r="9"><c r="B9"><f>SUM(B3:B7)</f><v>38</v></c><c r="C9"><f>SUM(C3:C7)</f><v>4</v></c></row>)";
    fs::path path = dir.file("list_formulas.xlsx");
    tavlora::test::writeZip(path, tavlora::test::packageWithRows(rows));
    return path;
}

// Fills the template above with four records, each field given as `asText` says: as a number
// (written straight into the cell) or as its text (written through Range.Value).
struct FilledFromFile {
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook;
    std::shared_ptr<host::Worksheet> sheet;

    FilledFromFile(const fs::path& path, bool asText) {
        workbook = application->open(path.string());
        sheet = workbook->worksheets().front();
        // Computed before the fill, so the fill must make the calculation compute them again.
        EXPECT_EQ(sheet->range("B9").value(), Variant(38.0));
        EXPECT_EQ(sheet->range("C9").text(), "#N/A");  // the error in C4
        auto filler = CExcelTmplPrintBat::create();
        filler->setCurWk(workbook);
        EXPECT_TRUE(filler->DoA_Begin("Data"));
        std::vector<MemoryRecordset::Row> rows;
        for (double v : {1.5, 4.0, 7.0, 10.0}) {
            auto field = [&](double x) { return asText ? Variant(com::toText(Variant(x))) : Variant(x); };
            rows.push_back({field(v), field(v * 100)});
        }
        EXPECT_TRUE(filler->DoA_OutputRst(recordset({"V", "W"}, rows)));
    }
    ~FilledFromFile() { application->quit(); }
    Variant at(const char* address) const { return sheet->range(address).value(); }
    Variant formula(const char* address) const { return sheet->range(address).formula(); }
};

// A record's number replaces whatever its cell held, formula or not, and leaves no formula behind;
// the totals reading the list are computed again, and the shared group's member the list did not
// reach keeps its formula through a save.
TEST(OutputRst, NumbersReplaceTheTemplatesFormulasAndTheTotalsFollow) {
    tavlora::test::TempDir dir;
    const fs::path path = templateWithFormulasInTheList(dir);
    FilledFromFile filled(path, false);
    const std::vector<std::pair<const char*, double>> written = {
        {"B3", 1.5}, {"B4", 4}, {"B5", 7}, {"B6", 10}, {"C3", 150}, {"C4", 400}, {"C5", 700}, {"C6", 1000}};
    for (const auto& [address, number] : written) {
        EXPECT_EQ(filled.at(address), Variant(number)) << address;
        EXPECT_EQ(filled.formula(address), Variant(number)) << address << " still holds a formula";
    }
    EXPECT_EQ(filled.formula("B7"), Variant("=D7*2"));
    EXPECT_EQ(filled.at("B9"), Variant(32.5));  // 1.5 + 4 + 7 + 10 + the member's 10
    EXPECT_EQ(filled.at("C9"), Variant(2250.0));

    const fs::path saved = dir.file("saved.xlsx");
    filled.workbook->saveAs(saved.string());
    auto reread = tavlora::test::readXlsx(saved);
    auto sheet = reread->worksheets().front();
    EXPECT_EQ(sheet->range("B4").formula(), Variant(4.0));
    EXPECT_EQ(sheet->range("B7").formula(), Variant("=D7*2"));
    EXPECT_EQ(sheet->range("B9").value(), Variant(32.5));
}

// The straight write and Range.Value leave the same cells, whatever the template's cell held.
TEST(OutputRst, NumbersWrittenStraightEndAsRangeValueLeavesThem) {
    tavlora::test::TempDir dir;
    const fs::path path = templateWithFormulasInTheList(dir);
    FilledFromFile straight(path, false);
    FilledFromFile throughText(path, true);
    EXPECT_EQ(straight.at("B9"), throughText.at("B9"));
    EXPECT_EQ(tavlora::test::describeWorkbook(*straight.workbook), tavlora::test::describeWorkbook(*throughText.workbook));
}

TEST(OutputRst, ZeroSuppressionEmptiesATemplateCellToo) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "V"}, {"B3", "placeholder"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"V"}, {{Variant(0)}})));
    EXPECT_TRUE(book.at("B3").isEmpty());
}

TEST(OutputRst, ANullValueStopsItsRecordAndTheNextRecordTakesTheBlock) {
    ListBook book;
    sequentialTemplate(book);
    auto rst = recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant::null()},
                                            {Variant(3), Variant("Cy")}, {Variant(4), Variant::null()}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.column("B", 3, 5), (Strings{"1", "3", "4"}));  // the last failed record's first cell stays
    EXPECT_EQ(book.column("C", 3, 5), (Strings{"Ann", "Cy", ""}));
}

// A text that reads as a number too large for a double is written as text; the record keeps its
// block and the next record gets the next one.
TEST(OutputRst, NumericTextBeyondTheDoubleRangeKeepsItsRow) {
    ListBook book;
    sequentialTemplate(book);
    const std::string digits(400, '9');
    auto rst = recordset({"CODE", "NAME"}, {{Variant(1), Variant("7E400")}, {Variant(2), Variant("-1e999")},
                                            {Variant(3), Variant(digits)}, {Variant(4), Variant("Dee")}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.column("B", 3, 7), (Strings{"1", "2", "3", "4", ""}));
    EXPECT_EQ(book.at("C3"), Variant("7E400"));
    EXPECT_EQ(book.at("C4"), Variant("-1e999"));
    EXPECT_EQ(book.at("C5"), Variant(digits));
    EXPECT_EQ(book.at("C6"), Variant("Dee"));
}

TEST(OutputRst, AFieldTheRecordsetLacksLeavesItsColumnUntouched) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "CODE"}, {"C1", "MISSING"}, {"D1", "NAME"}, {"C3", "keep"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}})));
    EXPECT_EQ(book.text("B3"), "1");
    EXPECT_EQ(book.text("C3"), "keep");
    EXPECT_EQ(book.text("D3"), "Ann");
}

TEST(OutputRst, ASecondCallStartsAgainAtTheFirstBlock) {
    ListBook book;
    sequentialTemplate(book);
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant("Bob")}})));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant(9), Variant("Zed")}})));
    EXPECT_EQ(book.column("C", 3, 4), (Strings{"Zed", "Bob"}));
}

TEST(OutputRst, KeyedPlacementMatchesWholeLabelsExactly) {
    ListBook book;
    keyedTemplate(book);
    auto rst = recordset({"key", "value"}, {{Variant("B"), Variant("second")}, {Variant("b"), Variant("lower")},
                                            {Variant("D"), Variant("none")}, {Variant("A"), Variant("first")},
                                            {Variant("A"), Variant("first again")}, {Variant::null(), Variant("null key")}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.column("B", 7, 10), (Strings{"first again", "second", "", ""}));
}

TEST(OutputRst, TheFirstOfEqualLabelsWins) {
    ListBook book;
    book.put({{"A1", "KEY"}, {"A2", "2,1"}, {"A3", "7,3"}, {"B1", "VALUE"}, {"A7", "x"}, {"A8", "dup"}, {"A9", "dup"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"KEY", "VALUE"}, {{Variant("dup"), Variant("v")}})));
    EXPECT_EQ(book.column("B", 7, 9), (Strings{"", "v", ""}));
}

TEST(OutputRst, KeyedPlacementWithTwoRowsPerLabel) {
    ListBook book;
    book.put({{"A1", "KEY"}, {"A2", "2,2"}, {"A3", "7,2"}, {"B1", "V(0,2)"}, {"C1", "W(1,2)"}, {"A7", "x"}, {"A8", "y"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    // Label index 1 ("y"): rows nRowStart + offset + 1 * 2.
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"KEY", "V", "W"}, {{Variant("y"), Variant("v"), Variant("w")}})));
    EXPECT_EQ(book.text("B9"), "v");
    EXPECT_EQ(book.text("C10"), "w");
    EXPECT_EQ(book.text("B8"), "");
}

TEST(OutputRst, WithoutTheKeyFieldEveryRecordIsSkipped) {
    ListBook book;
    keyedTemplate(book);
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"value"}, {{Variant("v")}})));
    EXPECT_EQ(book.column("B", 7, 9), (Strings{"", "", ""}));
}

TEST(OutputRst, FailuresOfTheWholeCallAnswerFalse) {
    ListBook book;
    sequentialTemplate(book);
    EXPECT_FALSE(book.filler->DoA_OutputRst(nullptr));
}

TEST(OutputRst, WithoutABegunLayoutNothingIsWritten) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "CODE"}});
    book.filler->setCurSheet(book.list);
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE"}, {{Variant(1)}})));
    ASSERT_TRUE(book.filler->DoA_Begin());
    ASSERT_TRUE(book.filler->DoA_End());  // empties the arrays; the control area is cleared
    book.put({{"B3", "template"}});
    auto rst = recordset({"CODE"}, {{Variant(1)}, {Variant(2)}});
    EXPECT_TRUE(book.filler->DoA_OutputRst(rst));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(book.text("B3"), "template");
}

// ---- the 16-bit row limit ----

std::shared_ptr<MemoryRecordset> numbered(int count) {
    std::vector<MemoryRecordset::Row> rows;
    for (int i = 1; i <= count; ++i) rows.push_back({Variant(i)});
    return recordset({"N"}, rows);
}

TEST(RowLimit, RecordsBeyondRow32767AreReportedAndTheWrittenOnesStay) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "32765"}, {"B1", "N"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    auto rst = numbered(5);
    EXPECT_FALSE(book.filler->DoA_OutputRst(rst));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(book.column("B", 32765, 32767), (Strings{"1", "2", "3"}));
    EXPECT_TRUE(book.list->store().find(32768, 2) == nullptr);
}

TEST(RowLimit, ExactlyFillingTheLastRowIsASuccess) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "32765"}, {"B1", "N"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(numbered(3)));
    EXPECT_EQ(book.text("B32767"), "3");
}

TEST(RowLimit, ARecordPartlyBeyondTheLimitWritesNoneOfItsCells) {
    ListBook book;
    // Column B is on the block's first row, column C one row below it.
    book.put({{"A2", "2"}, {"A3", "32765"}, {"B1", "N(0,2)"}, {"C1", "N(1,2)"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_FALSE(book.filler->DoA_OutputRst(numbered(3)));
    EXPECT_EQ(book.text("B32765"), "1");
    EXPECT_EQ(book.text("C32766"), "1");
    EXPECT_EQ(book.text("B32767"), "");  // record 2 would need row 32768 for column C
}

TEST(RowLimit, KeyedRecordsBeyondTheLimitAreReportedWhileOthersAreWritten) {
    ListBook book;
    book.put({{"A1", "K"}, {"A2", "2,1"}, {"A3", "32760,2"}, {"B1", "V(0,8)"}});
    book.list->range("A32760").setValue(Variant("far"));
    book.list->range("A32761").setValue(Variant("near"));
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    // "far" has label index 0 (row 32760); "near" has index 1, so its row is 32760 + 8 > 32767.
    auto rst = recordset({"K", "V"}, {{Variant("near"), Variant("lost")}, {Variant("far"), Variant("kept")}});
    EXPECT_FALSE(book.filler->DoA_OutputRst(rst));
    EXPECT_EQ(book.text("B32760"), "kept");
}

TEST(RowLimit, XmlRecordsBeyondTheLimitAreReported) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "32766"}, {"B1", "n"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    data::XmlDocument document;
    EXPECT_FALSE(book.filler->DoA_OutputXml0(nodes(document, R"(<r><x n="1"/><x n="2"/><x n="3"/></r>)", "x")));
    EXPECT_EQ(book.column("B", 32766, 32767), (Strings{"1", "2"}));
}

// ---- XML ----

TEST(OutputXml, ElementsFillBlocksByExactAttributeName) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "code"}, {"C1", "Name"}, {"D1", "city"}, {"D3", "template"}, {"D4", "template"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    data::XmlDocument document;
    auto list = nodes(document, R"(<rows><row code="1" Name="Ann" city="Oslo"/><row code="0" name="bob"/></rows>)", "row");
    EXPECT_TRUE(book.filler->DoA_OutputXml0(list));
    EXPECT_EQ(book.column("B", 3, 4), (Strings{"1", ""}));  // "0" suppressed
    EXPECT_EQ(book.column("C", 3, 4), (Strings{"Ann", ""}));  // "name" is not "Name": emptied
    EXPECT_EQ(book.column("D", 3, 4), (Strings{"Oslo", ""}));
}

TEST(OutputXml, KeyedPlacementByAttribute) {
    ListBook book;
    keyedTemplate(book);
    data::XmlDocument document;
    auto list = nodes(document, R"(<r><x KEY="C" VALUE="c"/><x KEY="A" VALUE="a"/><x VALUE="no key"/></r>)", "x");
    EXPECT_TRUE(book.filler->DoA_OutputXml0(list));
    EXPECT_EQ(book.column("B", 7, 9), (Strings{"a", "", "c"}));
}

TEST(OutputXml, ANodeThatIsNotAnElementFailsTheCallWhereItStands) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "v"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    data::XmlDocument document;
    auto list = nodes(document, R"(<r><x v="1"/>text<x v="2"/></r>)", "node()");
    ASSERT_EQ(list->length(), 3);
    EXPECT_FALSE(book.filler->DoA_OutputXml0(list));
    EXPECT_EQ(book.column("B", 3, 4), (Strings{"1", ""}));
}

TEST(OutputXml, FromAFileWithAQueryBelowTheRootElement) {
    ListBook book;
    book.put({{"A2", "2"}, {"A3", "3"}, {"B1", "v"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    tavlora::test::TempDir dir;
    auto file = dir.file("rows.xml");
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?><r><x v="a"/><y v="skip"/><x v="b"/></r>)";
    EXPECT_TRUE(book.filler->DoA_OutputXml(file.string(), "x"));
    EXPECT_EQ(book.column("B", 3, 5), (Strings{"a", "b", ""}));
    EXPECT_FALSE(book.filler->DoA_OutputXml(dir.file("missing.xml").string(), "x"));
    EXPECT_FALSE(book.filler->DoA_OutputXml(file.string(), "x[["));
    EXPECT_FALSE(book.filler->DoA_OutputXml0(nullptr));
    EXPECT_EQ(book.column("B", 3, 5), (Strings{"a", "b", ""}));
}

}  // namespace
}  // namespace tavlora::tmplbat
