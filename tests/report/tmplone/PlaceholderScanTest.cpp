#include <gtest/gtest.h>

#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "TmplOneTestSupport.h"

namespace tavlora::tmplone {
namespace {

using com::Variant;
using test::describe;
using test::TemplateBook;
using Entries = std::vector<std::string>;

TEST(InCellPlaceholders, NameIsTheTextBetweenTheFirstAndTheLastDelimiter) {
    TemplateBook book;
    book.put({{"A1", "%First%"},
              {"C2", "%A% and %B%"},
              {"B3", "Total %Sum% EUR"},
              {"D4", "%%"},
              {"E5", "plain text"},
              {"E6", "100 % sure"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    // The host searches by rows after the top-left cell and comes back to it last.
    EXPECT_EQ(describe(*book.filler), (Entries{"A% and %B@$C$2", "Sum@$B$3", "First@$A$1"}));
    for (const SWhiteDot& dot : book.filler->entries()) {
        EXPECT_EQ(dot.ePos, ePosType_A1);
        EXPECT_EQ(dot.strValue, "");
    }
    EXPECT_EQ(book.filler->headerClearMode(), 0);
}

TEST(InCellPlaceholders, FullWidthDelimitersCount) {
    TemplateBook book;
    book.put({{"B2", "\xEF\xBC\x85Name\xEF\xBC\x85"}, {"B3", "Dear %Title\xEF\xBC\x85, welcome"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_EQ(describe(*book.filler), (Entries{"Title@$B$3", "Name@$B$2"}));
}

TEST(InCellPlaceholders, AStrayLeadByteDoesNotHideADelimiter) {
    // A byte that starts a multi-byte sequence but is not followed by one is one character: the
    // delimiter after it still counts.
    TemplateBook book;
    book.put({{"A1", "head"}, {"B2", "%Cust\xC3%"}, {"B3", "\xE5%Sum%"}, {"B4", "%Tax\xF0\x9F%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_EQ(describe(*book.filler), (Entries{"Cust\xC3@$B$2", "Sum@$B$3", "Tax\xF0\x9F@$B$4"}));
}

TEST(InCellPlaceholders, NamesKeepTheirLetterCaseAndNonAsciiText) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Kundenstra\xC3\x9F" "e%"}, {"C3", "%\xE5\xAE\xA2\xE6\x88\xB7%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_EQ(describe(*book.filler),
              (Entries{"Kundenstra\xC3\x9F" "e@$B$2", "\xE5\xAE\xA2\xE6\x88\xB7@$C$3"}));
}

TEST(InCellPlaceholders, TemplateWithoutPlaceholdersGivesAnEmptyList) {
    TemplateBook book;
    book.put({{"A1", "Invoice"}, {"B2", 42.0}});
    EXPECT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(book.filler->entries().empty());
    TemplateBook blank;
    EXPECT_TRUE(blank.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(blank.filler->entries().empty());
}

TEST(InCellPlaceholders, TheSameNameInTwoCellsGivesTwoEntries) {
    TemplateBook book;
    book.put({{"A1", "head"}, {"B2", "%Cust%"}, {"B4", "%CUST%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_EQ(describe(*book.filler), (Entries{"Cust@$B$2", "CUST@$B$4"}));
}

TEST(InCellPlaceholders, ACellWhoseValueHasASingleDelimiterFailsTheScan) {
    // The search looks at the displayed text, the name comes from the value: a format that adds a
    // percent sign makes a cell with one delimiter in its value look like a placeholder.
    TemplateBook book;
    book.put({{"A1", "head"}, {"B2", "%Cust%"}, {"B3", "50%"}});
    book.invoice->range("B3").setNumberFormatLocal("@\"%\"");
    ASSERT_EQ(book.invoice->range("B3").text(), "50%%");
    EXPECT_FALSE(book.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(book.filler->entries().empty());  // what was found before the failure is no fill
}

TEST(HeaderRowPlaceholders, NamesInRowOneAddressesInRowTwo) {
    TemplateBook book;
    book.put({{"A1", "Cust"}, {"B1", "Skipped"}, {"C1", "Range"}, {"D1", 7.0},
              {"A2", "B5"},   {"C2", "$C$6:D7"}, {"D2", "e9"}, {"E2", "F1"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0, 2));
    EXPECT_EQ(describe(*book.filler), (Entries{"Cust@B5", "Range@$C$6:D7", "7@e9"}));
    EXPECT_EQ(book.filler->headerClearMode(), 2);
}

TEST(HeaderRowPlaceholders, ScansToTheLastColumnOfAUsedRangeThatDoesNotStartInColumnA) {
    TemplateBook book;
    book.put({{"B1", "First"}, {"C1", "Second"}, {"D1", "Third"}, {"B2", "B5"}, {"C2", "C5"}, {"D2", "D5"}});
    ASSERT_EQ(book.invoice->usedRange().address(), "$B$1:$D$2");
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0));
    EXPECT_EQ(describe(*book.filler), (Entries{"First@B5", "Second@C5", "Third@D5"}));
}

TEST(HeaderRowPlaceholders, AnErrorValueInTheHeaderRowsFailsTheBegin) {
    // An error has no text to be a name or an address: reading its number as one ("Error 2042")
    // would place values at the wrong cells without a word.
    for (const char* errorCell : {"B1", "B2"}) {
        TemplateBook book;
        book.put({{"A1", "Cust"}, {"A2", "B5"}, {"B1", "Total"}, {"B2", "C5"}});
        book.invoice->range(errorCell).setValue(com::Variant::error(com::hr::runtime(2042)));
        EXPECT_FALSE(book.filler->DoA_Begin("Invoice", 0)) << errorCell;
    }
}

TEST(HeaderRowPlaceholders, InCellPlaceholdersAreIgnoredAndViceVersa) {
    TemplateBook book;
    book.put({{"A1", "Name"}, {"A2", "C5"}, {"B4", "%Cust%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0));
    EXPECT_EQ(describe(*book.filler), (Entries{"Name@C5"}));
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 1));
    EXPECT_EQ(describe(*book.filler), (Entries{"Cust@$B$4"}));
}

TEST(TemplateSheet, IsFoundIgnoringLetterCaseAndRegisteredWithTheJob) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}});
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    auto filler = CExcelTmplPrintOne::create();
    filler->setCurBatObj(job);
    EXPECT_EQ(filler->CurWk(), book.workbook);  // the job brings its workbook
    ASSERT_TRUE(filler->DoA_Begin("iNVOICE"));
    EXPECT_EQ(filler->CurSheet(), book.invoice);
    EXPECT_EQ(describe(*filler), (Entries{"Cust@$B$2"}));
    EXPECT_EQ(job->usedSheets(), (std::vector<std::string>{"iNVOICE", ""}));

    // Dropping the job keeps the workbook.
    filler->setCurBatObj(nullptr);
    EXPECT_EQ(filler->CurWk(), book.workbook);
}

TEST(TemplateSheet, EmptyNameUsesTheCurrentSheetWithoutRegistering) {
    TemplateBook book;
    book.other->range("C3").setValue(Variant("%OtherCust%"));
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(book.workbook);
    book.filler->setCurBatObj(job);
    book.filler->setCurSheet(book.other);
    ASSERT_TRUE(book.filler->DoA_Begin());
    EXPECT_EQ(describe(*book.filler), (Entries{"OtherCust@$C$3"}));
    EXPECT_EQ(job->usedSheets(), (std::vector<std::string>{""}));
}

TEST(TemplateSheet, FailuresGiveFalseWithoutAScan) {
    TemplateBook book;
    book.put({{"B2", "%Cust%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_EQ(book.filler->entries().size(), 1u);

    // A name no sheet has: nothing created, the sheet set before dropped, the list emptied (it
    // belonged to the fill that this begin replaces).
    EXPECT_FALSE(book.filler->DoA_Begin("Missing"));
    EXPECT_EQ(book.filler->CurSheet(), nullptr);
    EXPECT_EQ(book.workbook->sheets().size(), 2u);
    EXPECT_TRUE(book.filler->entries().empty());

    // No name and no current sheet.
    EXPECT_FALSE(book.filler->DoA_Begin(""));

    // No workbook, even with a sheet at hand.
    auto orphan = CExcelTmplPrintOne::create();
    orphan->setCurSheet(book.invoice);
    EXPECT_FALSE(orphan->DoA_Begin(""));
    EXPECT_FALSE(orphan->DoA_Begin("Invoice"));
    EXPECT_TRUE(orphan->entries().empty());
}

TEST(TemplateSheet, ASecondBeginForgetsTheFirstList) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}, {"B3", "%Sum%"}});
    book.other->range("A1").setValue(Variant("%Date%"));
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0, 1));
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    ASSERT_TRUE(book.filler->DoA_Begin("Other"));
    EXPECT_EQ(describe(*book.filler), (Entries{"Date@$A$1"}));
    EXPECT_EQ(book.filler->entries()[0].strValue, "");
    EXPECT_FALSE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    EXPECT_EQ(book.filler->headerClearMode(), 0);
}

}  // namespace
}  // namespace tavlora::tmplone
