#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "tavlora/CExcelBatDo.h"
#include "TmplBatTestSupport.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "tavlora/Failures.h"

namespace tavlora::tmplbat {
namespace {

using com::Variant;
using test::ListBook;
using test::recordset;
using Strings = std::vector<std::string>;

// A list from row 3 in columns B and C, a title placeholder outside the list, end mode as given.
void titledTemplate(ListBook& book, const char* endMode) {
    book.put({{"A2", "2,2"}, {"A3", "3"}, {"A6", endMode}, {"B1", "CODE"}, {"C1", "NAME"}, {"E2", "%Title%"}});
}

TEST(Lifecycle, ANewFillerHasTheDocumentedState) {
    auto filler = CExcelTmplPrintBat::create();
    EXPECT_TRUE(filler->IsNoZero());
    EXPECT_EQ(filler->layout().nCtrlMode, ctrlmode::kClear);
    EXPECT_EQ(filler->layout().nColCount, 0);
    EXPECT_TRUE(filler->layout().arrWhiteCol.empty());
    EXPECT_EQ(filler->CurBatObj(), nullptr);
    EXPECT_EQ(filler->CurWk(), nullptr);
    EXPECT_EQ(filler->CurSheet(), nullptr);
    EXPECT_EQ(filler->oneFiller(), nullptr);
}

TEST(Lifecycle, CurBatObjBringsTheJobsWorkbook) {
    ListBook book;
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    auto filler = CExcelTmplPrintBat::create();
    filler->setCurBatObj(job);
    EXPECT_EQ(filler->CurWk(), book.workbook);
    filler->setCurBatObj(nullptr);
    EXPECT_EQ(filler->CurWk(), book.workbook);
}

TEST(Begin, NamesTheSheetIgnoringCaseAndRegistersIt) {
    ListBook book;
    titledTemplate(book, "1");
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    book.filler->setCurBatObj(job);
    EXPECT_TRUE(book.filler->DoA_Begin("lIsT"));
    EXPECT_EQ(book.filler->CurSheet(), book.list);
    EXPECT_EQ(job->usedSheets(), (Strings{"lIsT", ""}));
    EXPECT_EQ(book.filler->layout().nColCount, 2);
}

TEST(Begin, FailuresLeaveTheLayoutUnread) {
    ListBook book;
    titledTemplate(book, "1");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    size_t sheetsBefore = book.workbook->sheets().size();

    EXPECT_FALSE(book.filler->DoA_Begin("Missing"));
    EXPECT_EQ(book.workbook->sheets().size(), sheetsBefore);  // never created
    EXPECT_EQ(book.filler->CurSheet(), nullptr);
    EXPECT_EQ(book.filler->layout().arrWhiteCol.size(), 2u);  // not cleared, not read

    EXPECT_FALSE(book.filler->DoA_Begin("", false));  // no current sheet any more
    auto noWorkbook = CExcelTmplPrintBat::create();
    EXPECT_FALSE(noWorkbook->DoA_Begin("List"));
}

TEST(Begin, ABadLayoutAnswersFalseAndKeepsTheOneRecordFiller) {
    ListBook book;
    titledTemplate(book, "1");
    ASSERT_TRUE(book.filler->DoA_Begin("List", true));
    auto one = book.filler->oneFiller();
    ASSERT_NE(one, nullptr);
    book.put({{"C1", "NAME(x)"}});
    EXPECT_FALSE(book.filler->DoA_Begin("List", true));
    EXPECT_EQ(book.filler->oneFiller(), one);
    book.put({{"C1", "NAME"}});
    EXPECT_TRUE(book.filler->DoA_Begin("List", true));
    EXPECT_EQ(book.filler->oneFiller(), one);  // reused, not replaced
    EXPECT_TRUE(book.filler->DoA_Begin("List", false));
    EXPECT_EQ(book.filler->oneFiller(), nullptr);
}

TEST(ReplaceWhiteDot, TheTitleIsWrittenAtTheEndBeforeTheControlAreaGoes) {
    ListBook book;
    titledTemplate(book, "2");
    ASSERT_TRUE(book.filler->DoA_Begin("List", true));
    EXPECT_TRUE(book.filler->DoA_ReplaceWhiteDot("title", "Sales 2024"));
    EXPECT_FALSE(book.filler->DoA_ReplaceWhiteDot("Nope", "x"));
    EXPECT_EQ(book.text("E2"), "%Title%");  // only remembered so far
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.text("D1"), "Sales 2024");  // E2 after row 1 and column A were deleted
}

TEST(ReplaceWhiteDot, AnUnfilledPlaceholderIsEmptiedAtTheEnd) {
    ListBook book;
    titledTemplate(book, "0");
    ASSERT_TRUE(book.filler->DoA_Begin("List", true));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.text("E2"), "");
}

TEST(ReplaceWhiteDot, WithoutPlaceholderReplacementItAnswersFalse) {
    ListBook book;
    titledTemplate(book, "0");
    ASSERT_TRUE(book.filler->DoA_Begin("List", false));
    EXPECT_FALSE(book.filler->DoA_ReplaceWhiteDot("Title", "x"));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.text("E2"), "%Title%");
}

TEST(OutputString, WritesAtOnceAndPassesFailuresOn) {
    ListBook book;
    titledTemplate(book, "0");
    EXPECT_FALSE(book.filler->DoA_OutputString(2, 2, "no sheet"));
    EXPECT_FALSE(book.filler->DoA_OutputString1("B2", "no sheet"));
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputString(20, 4, "free"));
    EXPECT_TRUE(book.filler->DoA_OutputString1("D21:E21", "area"));
    EXPECT_EQ(book.text("D20"), "free");
    EXPECT_EQ(book.text("E21"), "area");
    EXPECT_COM_ERROR(book.filler->DoA_OutputString(40000, 1, "x"), com::hr::kOverflow);
    EXPECT_COM_ERROR(book.filler->DoA_OutputString(1, 40000, "x"), com::hr::kOverflow);
    EXPECT_COM_ERROR(book.filler->DoA_OutputString(0, 1, "x"), com::hr::kHostError);
    EXPECT_COM_ERROR(book.filler->DoA_OutputString1("not an address", "x"), com::hr::kHostError);
}

TEST(End, ModeOneClearsRowOneAndColumnA) {
    ListBook book;
    titledTemplate(book, "1");
    book.put({{"A3", "3"}, {"F1", "far"}, {"A40", "low"}});
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    ASSERT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}})));
    EXPECT_TRUE(book.filler->DoA_End());
    for (const char* cleared : {"A1", "A2", "A3", "A6", "B1", "C1", "F1", "A40"}) EXPECT_TRUE(book.at(cleared).isEmpty()) << cleared;
    EXPECT_EQ(book.text("B3"), "1");
    EXPECT_EQ(book.text("C3"), "Ann");
    EXPECT_TRUE(book.filler->layout().arrWhiteCol.empty());
    EXPECT_EQ(book.filler->layout().nCtrlMode, ctrlmode::kClear);
}

TEST(End, ModeTwoDeletesThemAndASecondEndDeletesAgain) {
    ListBook book;
    titledTemplate(book, "2");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    ASSERT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant(1), Variant("Ann")}, {Variant(2), Variant("Bob")}})));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.column("A", 2, 3), (Strings{"1", "2"}));
    EXPECT_EQ(book.column("B", 2, 3), (Strings{"Ann", "Bob"}));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.column("A", 1, 2), (Strings{"Ann", "Bob"}));
    EXPECT_EQ(book.filler->layout().nCtrlMode, ctrlmode::kDelete);
}

TEST(End, ModeZeroKeepsTheControlArea) {
    ListBook book;
    titledTemplate(book, "0");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.text("B1"), "CODE");
    EXPECT_EQ(book.text("A6"), "0");
}

// A failed begin leaves nothing to fill or end: not a layout read part way, not the end mode or
// the placeholders of the list before it. Row 1 and column A keep what the user had.
TEST(End, AfterAFailedBeginItRaisesAndTouchesNoCell) {
    ListBook book;
    titledTemplate(book, "2");
    ASSERT_TRUE(book.filler->DoA_Begin("List", true));
    ASSERT_TRUE(book.filler->DoA_ReplaceWhiteDot("Title", "Sales"));
    book.put({{"A10", "kept"}, {"F1", "kept too"}, {"C1", "NAME(x)"}});  // column C's field entry no longer parses
    clearLastFailure();
    EXPECT_FALSE(book.filler->DoA_Begin("List", true));
    EXPECT_FALSE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant("c1"), Variant("n1")}})));
    EXPECT_EQ(lastFailure(), "DoA_OutputRst(<object>): the last DoA_Begin failed, so there is no list to work on");
    EXPECT_FALSE(book.filler->DoA_ReplaceWhiteDot("Title", "Other"));
    tavlora::test::expectComError([&] { book.filler->DoA_End(); }, com::hr::kInvalidCall,
                         "DoA_End: the last DoA_Begin failed, so there is no list to work on; "
                         "row 1 and column A are left as they are");
    EXPECT_EQ(book.text("A10"), "kept");
    EXPECT_EQ(book.text("F1"), "kept too");
    EXPECT_EQ(book.text("B1"), "CODE");
    EXPECT_EQ(book.text("A6"), "2");
    EXPECT_EQ(book.text("B3"), "");
    EXPECT_EQ(book.text("E2"), "%Title%");

    // A begin naming a sheet the workbook lacks fails the same way; one that succeeds ends it.
    book.put({{"C1", "NAME"}});
    EXPECT_FALSE(book.filler->DoA_Begin("Missing"));
    book.filler->setCurSheet(book.list);
    EXPECT_COM_ERROR(book.filler->DoA_End(), com::hr::kInvalidCall);
    EXPECT_EQ(book.text("A10"), "kept");
    ASSERT_TRUE(book.filler->DoA_Begin("List"));
    EXPECT_TRUE(book.filler->DoA_OutputRst(recordset({"CODE", "NAME"}, {{Variant("c1"), Variant("n1")}})));
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_EQ(book.text("A2"), "c1");  // B3 after row 1 and column A were deleted
}

TEST(End, ANewFillerWithASheetClearsWithTheInitialMode) {
    ListBook book;
    titledTemplate(book, "0");
    book.filler->setCurSheet(book.list);
    EXPECT_TRUE(book.filler->DoA_End());
    EXPECT_TRUE(book.at("B1").isEmpty());
    EXPECT_TRUE(book.at("A6").isEmpty());
    EXPECT_EQ(book.text("E2"), "%Title%");
    auto sheetless = CExcelTmplPrintBat::create();
    EXPECT_TRUE(sheetless->DoA_End());
}

}  // namespace
}  // namespace tavlora::tmplbat
