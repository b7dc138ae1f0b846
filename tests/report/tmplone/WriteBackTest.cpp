#include <gtest/gtest.h>

#include "support/TestPaths.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "tavlora/Failures.h"
#include "TmplOneTestSupport.h"

namespace tavlora::tmplone {
namespace {

using com::Variant;
using test::TemplateBook;

// A header-row template: names in row 1, addresses in row 2, a formatted header and a value
// further down that shows whether rows moved.
void putHeaderTemplate(TemplateBook& book) {
    book.put({{"A1", "Cust"}, {"B1", "Sum"}, {"C1", "Early"},
              {"A2", "B5"},   {"B2", "$C$6"}, {"C2", "A2"},
              {"B10", "footer"}});
    book.invoice->range("A1:C1").font().setBold(true);
}

void fillHeaderTemplate(TemplateBook& book, int16_t clearMode) {
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0, clearMode));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("cust", "ACME Ltd"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("SUM", "Sum text"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Early", "lost with the header"));
    ASSERT_EQ(book.filler->DoA_End(), 3);
}

TEST(WriteBack, InCellPlaceholdersTakeTheWholeCellAndUnfilledOnesAreEmptied) {
    TemplateBook book;
    book.put({{"A1", "Invoice"}, {"B2", "%Cust%"}, {"B3", "Total %Sum% EUR"}, {"B4", "%Street%"},
              {"B5", "%City%"}, {"B6", "%Zip%"}, {"B7", "no placeholder"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME Ltd"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Sum", "Twelve"));
    EXPECT_EQ(book.filler->DoA_End(), 5);
    EXPECT_EQ(book.at("B2"), Variant("ACME Ltd"));
    EXPECT_EQ(book.at("B3"), Variant("Twelve"));
    EXPECT_TRUE(book.at("B4").isEmpty());
    EXPECT_TRUE(book.at("B5").isEmpty());
    EXPECT_TRUE(book.at("B6").isEmpty());
    EXPECT_EQ(book.at("B7"), Variant("no placeholder"));
    EXPECT_EQ(book.at("A1"), Variant("Invoice"));
    // The list and values stay: a second end writes the same values again.
    book.invoice->range("B2").setValue(Variant("changed"));
    EXPECT_EQ(book.filler->DoA_End(), 5);
    EXPECT_EQ(book.at("B2"), Variant("ACME Ltd"));
}

TEST(WriteBack, NumericTextBecomesANumber) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Amount%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Amount", "12.5"));
    book.filler->DoA_End();
    EXPECT_EQ(book.at("B2"), Variant(12.5));
}

// A text that reads as a number too large for a double replaces its placeholder and is saved as
// text; a text within the range still becomes a number.
TEST(WriteBack, NumericTextBeyondTheDoubleRangeIsWrittenAsText) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
    TemplateBook book;
    const std::string digits(400, '9');
    book.put({{"A1", "x"}, {"B2", "%Big%"}, {"B3", "Sum %Small%"}, {"B4", "%Digits%"}, {"B5", "%Plain%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Big", "7E400"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Small", "-1e999"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Digits", digits));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Plain", "12"));
    EXPECT_EQ(book.filler->DoA_End(), 4);
    EXPECT_EQ(book.at("B2"), Variant("7E400"));
    EXPECT_EQ(book.at("B3"), Variant("-1e999"));
    EXPECT_EQ(book.at("B4"), Variant(digits));
    EXPECT_EQ(book.at("B5"), Variant(12.0));

    tavlora::test::TempDir dir;
    const auto file = dir.file("big.xlsx");
    book.workbook->saveAs(file.string());
    EXPECT_EQ(tavlora::test::runPython("import openpyxl\n"
                                       "ws = openpyxl.load_workbook(r'" + file.string() + "')['Invoice']\n"
                                       "for a in ('B2', 'B3', 'B5'):\n"
                                       "    print(a, ws[a].data_type, ws[a].value)\n"
                                       "print(ws['B4'].data_type, ws['B4'].value == '9' * 400)\n"),
              "B2 s 7E400\nB3 s -1e999\nB5 n 12\ns True\n");
}

TEST(WriteBack, InCellModeNeverTouchesTheHeaderRows) {
    TemplateBook book;
    book.put({{"A1", "%Cust%"}, {"B2", "keep"}, {"C3", "below"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 1, 2));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    EXPECT_EQ(book.filler->DoA_End(), 1);
    EXPECT_EQ(book.at("A1"), Variant("ACME"));
    EXPECT_EQ(book.at("B2"), Variant("keep"));
    EXPECT_EQ(book.at("C3"), Variant("below"));
}

TEST(HeaderClearMode, ZeroKeepsNamesAndAddressesVisible) {
    TemplateBook book;
    putHeaderTemplate(book);
    fillHeaderTemplate(book, 0);
    EXPECT_EQ(book.at("A1"), Variant("Cust"));
    EXPECT_EQ(book.at("B2"), Variant("$C$6"));
    EXPECT_EQ(book.at("B5"), Variant("ACME Ltd"));
    EXPECT_EQ(book.at("C6"), Variant("Sum text"));
    EXPECT_EQ(book.at("A2"), Variant("lost with the header"));
}

TEST(HeaderClearMode, OneClearsRowsOneAndTwoInPlace) {
    TemplateBook book;
    putHeaderTemplate(book);
    fillHeaderTemplate(book, 1);
    for (const char* cell : {"A1", "B1", "C1", "A2", "B2", "C2"}) EXPECT_TRUE(book.at(cell).isEmpty()) << cell;
    EXPECT_FALSE(book.invoice->range("A1").font().bold());  // formats go too
    EXPECT_EQ(book.at("B5"), Variant("ACME Ltd"));
    EXPECT_EQ(book.at("C6"), Variant("Sum text"));
    EXPECT_EQ(book.at("B10"), Variant("footer"));
}

TEST(HeaderClearMode, TwoDeletesRowsOneAndTwoAndMovesValuesUp) {
    TemplateBook book;
    putHeaderTemplate(book);
    fillHeaderTemplate(book, 2);
    EXPECT_EQ(book.at("B3"), Variant("ACME Ltd"));
    EXPECT_EQ(book.at("C4"), Variant("Sum text"));
    EXPECT_EQ(book.at("B8"), Variant("footer"));
    EXPECT_TRUE(book.at("B5").isEmpty());
    EXPECT_TRUE(book.at("A1").isEmpty());
    EXPECT_TRUE(book.at("B10").isEmpty());
    EXPECT_EQ(book.invoice->usedRange().address(), "$B$3:$C$8");
}

TEST(HeaderClearMode, OtherValuesActAsZero) {
    TemplateBook book;
    putHeaderTemplate(book);
    fillHeaderTemplate(book, 3);
    EXPECT_EQ(book.at("A1"), Variant("Cust"));
    EXPECT_EQ(book.at("B5"), Variant("ACME Ltd"));
}

TEST(WriteBack, UnresolvableAddressIsSkippedButCounted) {
    TemplateBook book;
    book.put({{"A1", "Bad"}, {"B1", "Good"}, {"A2", "not an address"}, {"B2", "D4"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice", 0, 0));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Bad", "x"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Good", "y"));
    EXPECT_EQ(book.filler->DoA_End(), 2);
    EXPECT_EQ(book.at("D4"), Variant("y"));
}

TEST(WriteBack, WithoutSheetNothingIsWrittenButEntriesAreCounted) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}, {"B3", "%Sum%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    book.filler->setCurSheet(nullptr);
    EXPECT_EQ(book.filler->DoA_End(), 2);
    EXPECT_EQ(book.at("B2"), Variant("%Cust%"));
}

TEST(WriteBack, GoesToTheSheetThatIsCurrentAtTheEnd) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    book.filler->setCurSheet(book.other);
    EXPECT_EQ(book.filler->DoA_End(), 1);
    EXPECT_EQ(book.other->range("B2").value(), Variant("ACME"));
    EXPECT_EQ(book.at("B2"), Variant("%Cust%"));
}

TEST(WriteBack, BeforeAnyBeginNothingHappens) {
    TemplateBook book;
    book.put({{"A1", "head"}, {"A2", "B5"}});
    book.filler->setCurSheet(book.invoice);
    EXPECT_EQ(book.filler->DoA_End(), 0);
    EXPECT_EQ(book.at("A1"), Variant("head"));
    EXPECT_EQ(book.at("A2"), Variant("B5"));
}

// A begin that fails part way (an error in the header rows), or after an earlier fill (no
// workbook any more, the sheet still at hand), leaves nothing for the end: no value is written,
// and the header rows of clear mode 2 stay.
TEST(WriteBack, AfterAFailedBeginNothingIsWrittenOrCleared) {
    TemplateBook book;
    putHeaderTemplate(book);
    book.put({{"D1", "Broken"}});
    book.invoice->range("D2").setValue(Variant::error(com::hr::runtime(2042)));
    clearLastFailure();
    EXPECT_FALSE(book.filler->DoA_Begin("Invoice", 0, 2));
    EXPECT_FALSE(book.filler->DoA_ReplaceA("Cust", "ACME Ltd"));
    EXPECT_EQ(book.filler->DoA_End(), 0);
    EXPECT_NE(lastFailure().find("DoA_End(): the last DoA_Begin failed: nothing was written (absorbed)"), std::string::npos)
        << lastFailure();
    EXPECT_EQ(book.at("A1"), Variant("Cust"));
    EXPECT_EQ(book.at("C2"), Variant("A2"));
    EXPECT_EQ(book.at("B10"), Variant("footer"));
    EXPECT_TRUE(book.at("B5").isEmpty());

    book.invoice->range("D1:D2").clear();
    fillHeaderTemplate(book, 0);
    book.put({{"B5", "edited after the fill"}});
    book.filler->setCurWk(nullptr);
    EXPECT_FALSE(book.filler->DoA_Begin("", 0, 2));
    EXPECT_EQ(book.filler->DoA_End(), 0);
    EXPECT_EQ(book.at("B5"), Variant("edited after the fill"));
    EXPECT_EQ(book.at("A1"), Variant("Cust"));
}

TEST(DirectOutput, WritesAtOnceIntoTheCurrentSheet) {
    TemplateBook book;
    book.put({{"A1", "x"}, {"B2", "%Cust%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(book.filler->DoA_OutputString(3, 2, "by row and column"));
    EXPECT_EQ(book.at("B3"), Variant("by row and column"));
    EXPECT_TRUE(book.filler->DoA_OutputString1("C4:D5", "by address"));
    EXPECT_EQ(book.at("C4"), Variant("by address"));
    EXPECT_EQ(book.at("D5"), Variant("by address"));

    // A placeholder cell written directly still receives its entry's value at the end.
    EXPECT_TRUE(book.filler->DoA_OutputString1("B2", "direct"));
    EXPECT_EQ(book.at("B2"), Variant("direct"));
    ASSERT_TRUE(book.filler->DoA_ReplaceA("Cust", "ACME"));
    book.filler->DoA_End();
    EXPECT_EQ(book.at("B2"), Variant("ACME"));
}

TEST(DirectOutput, FailuresReachTheCaller) {
    TemplateBook book;
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    try {
        book.filler->DoA_OutputString(40000, 1, "x");
        FAIL() << "expected an overflow";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kOverflow);
    }
    EXPECT_THROW(book.filler->DoA_OutputString(1, -40000, "x"), com::Error);
    EXPECT_TRUE(book.invoice->usedRange().value().isEmpty());  // nothing written
    try {
        book.filler->DoA_OutputString(0, 1, "x");
        FAIL() << "expected a host error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kHostError);
    }
    try {
        book.filler->DoA_OutputString1("no such cell", "x");
        FAIL() << "expected a host error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kHostError);
    }

    auto unbound = CExcelTmplPrintOne::create();
    EXPECT_FALSE(unbound->DoA_OutputString(1, 1, "x"));
    EXPECT_FALSE(unbound->DoA_OutputString1("A1", "x"));
}

TEST(AssignByName, MatchesIgnoringCaseAndOnlyTheFirstEntry) {
    TemplateBook book;
    EXPECT_FALSE(book.filler->DoA_ReplaceA("Cust", "x"));  // before any begin
    book.put({{"A1", "x"}, {"B2", "%Cust%"}, {"B4", "%cust%"}});
    ASSERT_TRUE(book.filler->DoA_Begin("Invoice"));
    EXPECT_TRUE(book.filler->DoA_ReplaceA("CUST", "first"));
    EXPECT_TRUE(book.filler->DoA_ReplaceA("cUST", "second"));
    EXPECT_FALSE(book.filler->DoA_ReplaceA("Customer", "x"));
    EXPECT_FALSE(book.filler->DoA_ReplaceA("", "x"));
    ASSERT_EQ(book.filler->entries().size(), 2u);
    EXPECT_EQ(book.filler->entries()[0].strValue, "second");
    EXPECT_EQ(book.filler->entries()[1].strValue, "");
}

}  // namespace
}  // namespace tavlora::tmplone
