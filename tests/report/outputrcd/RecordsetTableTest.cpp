#include <gtest/gtest.h>

#include "host/format/Styles.h"
#include "report/outputrcd/OutputRcdTestSupport.h"

namespace tavlora::outputrcd {
namespace {

using com::Variant;
using test::records;
using test::TableBook;

std::shared_ptr<data::MemoryRecordset> twoRecords() {
    return records({"A", "B"}, {{Variant("x1"), Variant(1.5)}, {Variant("x2"), Variant(int32_t{7})}});
}

struct CellStyle {
    std::string font;
    double size;
    bool bold;
    int32_t horizontal;
    int32_t vertical;
    std::string numberFormat;
    double rowHeight;
};

CellStyle styleAt(const std::shared_ptr<host::Worksheet>& sheet, const std::string& address) {
    host::Range cell = sheet->range(address);
    host::RangeFont font = cell.font();
    return {font.name(), font.size(), font.bold(), cell.horizontalAlignment(), cell.verticalAlignment(),
            cell.numberFormatLocal(), cell.rowHeight()};
}

void expectStyle(const std::shared_ptr<host::Worksheet>& sheet, const std::string& address, double size, bool bold,
                 int32_t horizontal, double rowHeight) {
    SCOPED_TRACE(address);
    CellStyle s = styleAt(sheet, address);
    EXPECT_EQ(s.font, "宋体");
    EXPECT_EQ(s.size, size);
    EXPECT_EQ(s.bold, bold);
    EXPECT_EQ(s.horizontal, horizontal);
    EXPECT_EQ(s.vertical, host::align::kCenter);
    EXPECT_EQ(s.numberFormat, "@");
    EXPECT_EQ(s.rowHeight, rowHeight);
}

TEST(RecordsetTable, HeaderAndRecordsWithoutTitle) {
    TableBook book;
    auto rst = twoRecords();
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", rst));
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(book.at("A1"), Variant("A"));
    EXPECT_EQ(book.at("B1"), Variant("B"));
    EXPECT_EQ(book.at("A2"), Variant("x1"));
    EXPECT_EQ(book.at("B2"), Variant(1.5));
    EXPECT_EQ(book.at("A3"), Variant("x2"));
    EXPECT_EQ(book.at("B3"), Variant(7.0));
    EXPECT_TRUE(book.at("A4").isEmpty());
    EXPECT_TRUE(book.data->mergedAreas().empty());
    EXPECT_EQ(book.writer->CurSheet(), book.data);

    expectStyle(book.data, "A1", 16, false, host::align::kCenter, 24);
    expectStyle(book.data, "B1", 16, false, host::align::kCenter, 24);
    expectStyle(book.data, "A2", 10, false, host::align::kLeft, 16);
    // The body style covers the whole sheet, far from the table too.
    expectStyle(book.data, "Z1000", 10, false, host::align::kLeft, 16);
    // The header style stops at the table's last column.
    expectStyle(book.data, "C1", 10, false, host::align::kLeft, 24);
    EXPECT_EQ(styleAt(book.data, "A1").bold, false);
}

TEST(RecordsetTable, TitleMergedOverTheColumnsWithTheDefaultText) {
    TableBook book;
    book.writer->setIsTitle(true);
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", twoRecords()));
    EXPECT_TRUE(book.isMerged("A1:B1"));
    EXPECT_EQ(book.at("A1"), Variant("Data记录"));
    EXPECT_EQ(book.at("A2"), Variant("A"));
    EXPECT_EQ(book.at("B2"), Variant("B"));
    EXPECT_EQ(book.at("A3"), Variant("x1"));
    EXPECT_EQ(book.at("A4"), Variant("x2"));
    expectStyle(book.data, "A1", 18, true, host::align::kCenter, 48);
    expectStyle(book.data, "A2", 16, false, host::align::kCenter, 24);
    expectStyle(book.data, "A3", 10, false, host::align::kLeft, 16);
}

TEST(RecordsetTable, TitleTextAndPositionAsAsked) {
    TableBook book;
    book.writer->setIsTitle(true);
    book.writer->setTitle("Quarterly sales");
    auto rst = records({"X", "Y", "Z"}, {{Variant(1.0), Variant(2.0), Variant(3.0)}});
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", rst, 5, 3));
    EXPECT_TRUE(book.isMerged("C5:E5"));
    EXPECT_EQ(book.at("C5"), Variant("Quarterly sales"));
    EXPECT_EQ(book.at("C6"), Variant("X"));
    EXPECT_EQ(book.at("E6"), Variant("Z"));
    EXPECT_EQ(book.at("C7"), Variant(1.0));
    EXPECT_EQ(book.at("E7"), Variant(3.0));
    EXPECT_TRUE(book.at("B7").isEmpty());
    EXPECT_TRUE(book.at("F7").isEmpty());
    expectStyle(book.data, "E5", 18, true, host::align::kCenter, 48);
    expectStyle(book.data, "E6", 16, false, host::align::kCenter, 24);
    expectStyle(book.data, "B6", 10, false, host::align::kLeft, 24);
}

TEST(RecordsetTable, EmptySheetNameUsesTheCurrentSheetAndTheBareDefaultTitle) {
    TableBook book;
    book.writer->setCurSheet(book.other);
    book.writer->setIsTitle(true);
    ASSERT_TRUE(book.writer->DoA_RcdRst("", twoRecords()));
    EXPECT_EQ(book.other->range("A1").value(), Variant("记录"));
    EXPECT_EQ(book.other->range("A2").value(), Variant("A"));
    // Nothing registered for an empty name.
    EXPECT_EQ(book.job->usedSheets(), std::vector<std::string>{""});
}

TEST(RecordsetTable, StartsAtTheCurrentRecordAndWritesRecordsWithoutFieldsTable) {
    TableBook book;
    auto rst = records({"n"}, {{Variant(1.0)}, {Variant(2.0)}, {Variant(3.0)}});
    rst->MoveNext();
    rst->MoveNext();
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", rst));
    EXPECT_EQ(book.at("A2"), Variant(3.0));
    EXPECT_TRUE(book.at("A3").isEmpty());

    TableBook empty;
    empty.writer->setIsTitle(true);
    ASSERT_TRUE(empty.writer->DoA_RcdRst("Data", records({"a", "b"}, {})));
    EXPECT_EQ(empty.at("A1"), Variant("Data记录"));
    EXPECT_EQ(empty.at("B2"), Variant("b"));
    EXPECT_TRUE(empty.at("A3").isEmpty());
}

TEST(RecordsetTable, ValuesAreHandedOverUnchanged) {
    TableBook book;
    book.writer->setIsNoZero(true);
    book.writer->setIsFldNameOfAlias(true);
    auto rst = records({"zero", "null", "text", "formula"},
                       {{Variant(0.0), Variant::null(), Variant("0012"), Variant("=1+1")}});
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", rst));
    EXPECT_EQ(book.at("A1"), Variant("zero"));
    EXPECT_EQ(book.at("A2"), Variant(0.0));
    EXPECT_TRUE(book.at("B2").isEmpty());
    // The body is text-formatted: a numeric text stays text, a formula text stays data.
    EXPECT_EQ(book.at("C2"), Variant("0012"));
    EXPECT_EQ(book.at("D2"), Variant("=1+1"));
}

TEST(RecordsetTable, MissingSheetIsAddedAfterTheLastAndRegistered) {
    TableBook book;
    book.workbook->setActiveSheet(*book.data);
    ASSERT_TRUE(book.writer->DoA_RcdRst("Summary", twoRecords()));
    const auto& sheets = book.workbook->sheets();
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets.back()->name(), "Summary");
    EXPECT_EQ(book.writer->CurSheet(), sheets.back());
    EXPECT_EQ(book.job->usedSheets(), (std::vector<std::string>{"Summary", ""}));
    EXPECT_EQ(book.writer->CurSheet()->range("A2").value(), Variant("x1"));

    // The name matches ignoring case: no second sheet, the name is registered as written.
    ASSERT_TRUE(book.writer->DoA_RcdRst("DATA", twoRecords()));
    EXPECT_EQ(book.workbook->sheets().size(), 3u);
    EXPECT_EQ(book.writer->CurSheet(), book.data);
    EXPECT_EQ(book.job->usedSheets(), (std::vector<std::string>{"Summary", "DATA", ""}));
}

TEST(RecordsetTable, SecondCallRestylesAndOverwritesOnlyTheTable) {
    TableBook book;
    book.data->range("F9").setValue(Variant("keep"));
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", twoRecords()));
    book.writer->setIsTitle(true);
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", records({"C"}, {{Variant("y")}})));
    EXPECT_EQ(book.at("A1"), Variant("Data记录"));
    EXPECT_EQ(book.at("A2"), Variant("C"));
    EXPECT_EQ(book.at("A3"), Variant("y"));
    EXPECT_EQ(book.at("B2"), Variant(1.5));  // outside the new table
    EXPECT_EQ(book.at("F9"), Variant("keep"));
    expectStyle(book.data, "F9", 10, false, host::align::kLeft, 16);
    expectStyle(book.data, "A1", 18, true, host::align::kCenter, 48);
}

TEST(RecordsetTable, ColumnsAreFittedToWhatWasWritten) {
    TableBook book;
    const double defaultWidth = book.data->range("A1").columnWidth();
    auto rst = records({"id", "description"},
                       {{Variant(1.0), Variant("a considerably longer description than the column")}});
    ASSERT_TRUE(book.writer->DoA_RcdRst("Data", rst));
    const double idWidth = book.data->range("A1").columnWidth();
    const double textWidth = book.data->range("B1").columnWidth();
    EXPECT_GT(textWidth, defaultWidth * 3);
    EXPECT_LT(idWidth, textWidth);
    // Column C holds nothing and keeps the default width.
    EXPECT_EQ(book.data->range("C1").columnWidth(), defaultWidth);
}

// ---- failures ----

TEST(RecordsetTableFailure, NoWorkbookOrNoSheetWritesNothing) {
    auto writer = CExcelOutputRcd::create();
    EXPECT_FALSE(writer->DoA_RcdRst("Data", twoRecords()));

    TableBook book;
    EXPECT_FALSE(book.writer->DoA_RcdRst("", twoRecords()));
    EXPECT_TRUE(book.at("A1").isEmpty());
    EXPECT_EQ(book.data->range("A1").font().name(), "Calibri");
}

TEST(RecordsetTableFailure, NoFieldsOrNoRecordsetAfterTheSheetWasAdded) {
    TableBook book;
    EXPECT_FALSE(book.writer->DoA_RcdRst("NoFields", records({}, {})));
    ASSERT_EQ(book.workbook->sheets().size(), 3u);
    EXPECT_EQ(book.workbook->sheets().back()->name(), "NoFields");
    EXPECT_EQ(book.job->usedSheets(), (std::vector<std::string>{"NoFields", ""}));
    EXPECT_EQ(book.writer->CurSheet()->range("A1").font().name(), "Calibri");

    EXPECT_FALSE(book.writer->DoA_RcdRst("NoRecordset", nullptr));
    EXPECT_EQ(book.workbook->sheets().back()->name(), "NoRecordset");
}

TEST(RecordsetTableFailure, SheetNameTheHostRefusesOrTooManyFields) {
    TableBook book;
    EXPECT_FALSE(book.writer->DoA_RcdRst("bad/name", twoRecords()));
    EXPECT_EQ(book.job->usedSheets(), std::vector<std::string>{""});
    EXPECT_EQ(book.writer->CurSheet(), nullptr);

    // Field counts are 16-bit.
    std::vector<std::string> names;
    for (int i = 0; i < 32768; ++i) names.push_back("f" + std::to_string(i));
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", records(names, {})));
    EXPECT_TRUE(book.at("A1").isEmpty());
}

TEST(RecordsetTableFailure, RowsAndColumnsTheHostRejects) {
    TableBook book;
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 0, 1));
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 1, 0));
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 1, 16384));  // second column beyond XFD
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 1048576, 1));  // records below the grid
    EXPECT_EQ(book.at("A1048576"), Variant("A"));  // the header made it

    // The title's row and column are 16-bit.
    book.writer->setIsTitle(true);
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 32768, 1));
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", twoRecords(), 1, 32768));
    book.writer->setIsTitle(false);
    EXPECT_TRUE(book.writer->DoA_RcdRst("Other", twoRecords(), 40000, 2));
    EXPECT_EQ(book.other->range("C40002").value(), Variant(7.0));
}

TEST(RecordsetTableFailure, AValueTheHostRefusesKeepsWhatWasWrittenAndSkipsTheFit) {
    TableBook book;
    const double defaultWidth = book.data->range("A1").columnWidth();
    auto rst = records({"name", "bad"}, {{Variant("a long first value in this column"), Variant(1.0)},
                                         {Variant("second"), Variant::array({Variant(1.0)})}});
    EXPECT_FALSE(book.writer->DoA_RcdRst("Data", rst));
    EXPECT_EQ(book.at("A2"), Variant("a long first value in this column"));
    EXPECT_EQ(book.at("A3"), Variant("second"));
    EXPECT_FALSE(rst->Eof());
    EXPECT_EQ(book.data->range("A1").columnWidth(), defaultWidth);
}

TEST(RecordsetTableProperties, JobObjectSuppliesTheWorkbook) {
    auto writer = CExcelOutputRcd::create();
    EXPECT_FALSE(writer->IsTitle());
    EXPECT_EQ(writer->Title(), "");
    EXPECT_EQ(writer->xmlWay(), 0);
    TableBook book;
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    writer->setCurBatObj(job);
    EXPECT_EQ(writer->CurWk(), book.workbook);
    writer->setCurBatObj(nullptr);
    EXPECT_EQ(writer->CurBatObj(), nullptr);
    EXPECT_EQ(writer->CurWk(), book.workbook);
}

}  // namespace
}  // namespace tavlora::outputrcd
