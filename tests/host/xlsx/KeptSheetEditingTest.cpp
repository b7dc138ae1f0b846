#include <gtest/gtest.h>

#include <sstream>

#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/KeptXmlShifting.h"
#include "host/xlsx/Package.h"

namespace tavlora::host::xlsx {
namespace {

std::string xmlText(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.print(out, "", pugi::format_raw);
    return out.str();
}

// A workbook as the reader leaves it: a package carried along, and kept XML on its sheet.
class KeptSheetEditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = files::newApplication();
        book = app->add();
        book->keptPackage() = std::make_shared<PackageContents>();
        sheet = book->worksheets().front();
        sheet->setName("Data");
    }
    void TearDown() override { app->quit(); }
    std::shared_ptr<Application> app;
    std::shared_ptr<Workbook> book;
    std::shared_ptr<Worksheet> sheet;
};

TEST_F(KeptSheetEditingTest, DeletingRowsShiftsTheKeptWorksheetXml) {
    const char* xml =
        "<worksheet>"
        "<sheetViews><sheetView><pane topLeftCell=\"A4\"/><selection activeCell=\"B3\" sqref=\"B3:B4\"/></sheetView></sheetViews>"
        "<autoFilter ref=\"A1:C10\"/>"
        "<conditionalFormatting sqref=\"A5:A9 C3\"><cfRule type=\"expression\"><formula>A5&gt;$B$9</formula></cfRule></conditionalFormatting>"
        "<conditionalFormatting sqref=\"D3:D4\"><cfRule type=\"expression\"><formula>D3</formula></cfRule></conditionalFormatting>"
        "<dataValidations count=\"2\"><dataValidation sqref=\"E6\"><formula1>$F$5:$F$9</formula1></dataValidation>"
        "<dataValidation sqref=\"E3\"/></dataValidations>"
        "<hyperlinks><hyperlink ref=\"G4\"/></hyperlinks>"
        "<rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"3\"/><brk id=\"8\"/></rowBreaks>"
        "</worksheet>";
    ASSERT_TRUE(keptSheetXml(*sheet).load_string(xml));
    sheet->range("3:4").deleteCells();
    EXPECT_EQ(xmlText(*findKeptSheetXml(*sheet)),
              "<worksheet>"
              "<sheetViews><sheetView><pane topLeftCell=\"A3\"/><selection activeCell=\"B3\" sqref=\"B3\"/></sheetView></sheetViews>"
              "<autoFilter ref=\"A1:C8\"/>"
              "<conditionalFormatting sqref=\"A3:A7\"><cfRule type=\"expression\"><formula>A3&gt;$B$7</formula></cfRule></conditionalFormatting>"
              "<dataValidations count=\"1\"><dataValidation sqref=\"E4\"><formula1>$F$3:$F$7</formula1></dataValidation></dataValidations>"
              "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"6\"/></rowBreaks>"
              "</worksheet>");
}

// The sheets of a cached template's reports share the template's kept XML: reading leaves it
// shared, and an edit that moves or rewrites it (deleted rows, a renamed sheet) changes the
// editing sheet's own copy, never the template's or another report's.
TEST_F(KeptSheetEditingTest, SheetsSharingTheKeptXmlEditTheirOwnCopies) {
    auto document = std::make_shared<KeptSheetDocument>();
    ASSERT_TRUE(document->xml.load_string(
        "<worksheet><hyperlinks><hyperlink ref=\"G6\"/></hyperlinks>"
        "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$5:$A$9</formula1></dataValidation>"
        "</dataValidations></worksheet>"));
    const std::string asRead = xmlText(document->xml);
    auto other = book->addWorksheet(nullptr, sheet.get());
    other->setName("Other");
    shareKeptSheetXml(*sheet, document);
    shareKeptSheetXml(*other, document);
    EXPECT_EQ(findKeptSheetXml(*sheet), &document->xml);
    EXPECT_EQ(keptSheetRoot(*other), document->xml.document_element());

    sheet->range("3:4").deleteCells();
    EXPECT_EQ(xmlText(document->xml), asRead);
    EXPECT_EQ(xmlText(*findKeptSheetXml(*sheet)),
              "<worksheet><hyperlinks><hyperlink ref=\"G4\"/></hyperlinks>"
              "<dataValidations count=\"1\"><dataValidation sqref=\"B3\"><formula1>Data!$A$3:$A$7</formula1></dataValidation>"
              "</dataValidations></worksheet>");
    EXPECT_EQ(xmlText(*findKeptSheetXml(*other)),
              "<worksheet><hyperlinks><hyperlink ref=\"G6\"/></hyperlinks>"
              "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$3:$A$7</formula1></dataValidation>"
              "</dataValidations></worksheet>");

    sheet->setName("Renamed");
    EXPECT_NE(xmlText(*findKeptSheetXml(*other)).find("Renamed!$A$3:$A$7"), std::string::npos);
    EXPECT_EQ(xmlText(document->xml), asRead);

    // A sheet that alone holds its XML changes it in place.
    pugi::xml_document* own = findOwnKeptSheetXml(*sheet);
    EXPECT_EQ(findOwnKeptSheetXml(*sheet), own);
    EXPECT_EQ(&keptSheetXml(*sheet), own);
}

TEST(KeptXmlShifting, ExtensionConditionalFormatsMoveToo) {
    const char* xml =
        "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\"><extLst><ext><x14:conditionalFormattings>"
        "<x14:conditionalFormatting><x14:cfRule><xm:f>Data!$B$9</xm:f></x14:cfRule><xm:sqref>B9</xm:sqref></x14:conditionalFormatting>"
        "<x14:conditionalFormatting><xm:sqref>B3</xm:sqref></x14:conditionalFormatting>"
        "</x14:conditionalFormattings></ext></extLst></worksheet>";
    pugi::xml_document kept;
    ASSERT_TRUE(kept.load_string(xml));
    shiftKeptWorksheetXml(kept, "Data", formula::Deletion::rows(3, 2));
    EXPECT_EQ(xmlText(kept),
              "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\"><extLst><ext><x14:conditionalFormattings>"
              "<x14:conditionalFormatting><x14:cfRule><xm:f>Data!$B$7</xm:f></x14:cfRule><xm:sqref>B7</xm:sqref></x14:conditionalFormatting>"
              "</x14:conditionalFormattings></ext></extLst></worksheet>");
}

// Ignored errors, protected ranges and the validations of the extension list follow the cells;
// those wholly in the removed columns go, with lists left empty.
TEST(KeptXmlShifting, IgnoredErrorsProtectedRangesAndExtensionValidationsMove) {
    const char* xml =
        "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
        "<protectedRanges><protectedRange name=\"Input\" sqref=\"D2:E9\"/><protectedRange name=\"Gone\" sqref=\"B2:C3\"/></protectedRanges>"
        "<ignoredErrors><ignoredError sqref=\"F1:F9\" numberStoredAsText=\"1\"/><ignoredError sqref=\"C5\" formula=\"1\"/></ignoredErrors>"
        "<extLst><ext><x14:dataValidations count=\"2\">"
        "<x14:dataValidation type=\"list\"><x14:formula1><xm:f>Data!$H$2:$H$5</xm:f></x14:formula1><xm:sqref>D4 B4</xm:sqref></x14:dataValidation>"
        "<x14:dataValidation type=\"list\"><x14:formula1><xm:f>Data!$H$2:$H$5</xm:f></x14:formula1><xm:sqref>C7</xm:sqref></x14:dataValidation>"
        "</x14:dataValidations></ext></extLst></worksheet>";
    pugi::xml_document kept;
    ASSERT_TRUE(kept.load_string(xml));
    shiftKeptWorksheetXml(kept, "Data", formula::Deletion::columns(2, 2));  // B:C
    EXPECT_EQ(xmlText(kept),
              "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
              "<protectedRanges><protectedRange name=\"Input\" sqref=\"B2:C9\"/></protectedRanges>"
              "<ignoredErrors><ignoredError sqref=\"D1:D9\" numberStoredAsText=\"1\"/></ignoredErrors>"
              "<extLst><ext><x14:dataValidations count=\"1\">"
              "<x14:dataValidation type=\"list\"><x14:formula1><xm:f>Data!$F$2:$F$5</xm:f></x14:formula1><xm:sqref>B4</xm:sqref></x14:dataValidation>"
              "</x14:dataValidations></ext></extLst></worksheet>");
    shiftKeptWorksheetXml(kept, "Data", formula::Deletion::columns(2, 3));  // every area left
    EXPECT_EQ(xmlText(kept), "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\"/>");
}

// Sparklines, list validations and rule formulas of another sheet that read the edited sheet
// follow its cells; the other sheet's own areas and references stay.
TEST_F(KeptSheetEditingTest, FormulasOfOtherSheetsNamingTheEditedSheetMove) {
    auto summary = book->addWorksheet(nullptr, sheet.get());
    summary->setName("Summary");
    const char* xml =
        "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
        "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$5:$A$9</formula1></dataValidation></dataValidations>"
        "<extLst><ext><x14:sparklineGroups><x14:sparklineGroup><x14:sparklines>"
        "<x14:sparkline><xm:f>Data!B5:F5</xm:f><xm:sqref>A5</xm:sqref></x14:sparkline>"
        "<x14:sparkline><xm:f>Summary!B5:F5</xm:f><xm:sqref>A6</xm:sqref></x14:sparkline>"
        "</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext></extLst></worksheet>";
    ASSERT_TRUE(keptSheetXml(*summary).load_string(xml));
    sheet->range("2:3").deleteCells();
    EXPECT_EQ(xmlText(*findKeptSheetXml(*summary)),
              "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
              "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$3:$A$7</formula1></dataValidation></dataValidations>"
              "<extLst><ext><x14:sparklineGroups><x14:sparklineGroup><x14:sparklines>"
              "<x14:sparkline><xm:f>Data!B3:F3</xm:f><xm:sqref>A5</xm:sqref></x14:sparkline>"
              "<x14:sparkline><xm:f>Summary!B5:F5</xm:f><xm:sqref>A6</xm:sqref></x14:sparkline>"
              "</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext></extLst></worksheet>");
}

// A rename reaches every formula of the kept XML that names the sheet, its own sheet's included,
// quoted where the new name needs it; names that only contain the old one, and texts, stay.
TEST_F(KeptSheetEditingTest, RenamingASheetRewritesTheKeptFormulasNamingIt) {
    auto summary = book->addWorksheet(nullptr, sheet.get());
    summary->setName("Summary");
    const char* xml =
        "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
        "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\"><formula>Data!$B$1&gt;MyData!A1+'Data 2'!A1+[1]Data!A1</formula></cfRule>"
        "<cfRule type=\"colorScale\"><colorScale><cfvo type=\"formula\" val=\"data!$C$1\"/><cfvo type=\"max\"/></colorScale></cfRule>"
        "</conditionalFormatting>"
        "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$5:$A$9</formula1>"
        "<formula2>LEN(\"Data!A1\")+DataSet</formula2></dataValidation></dataValidations>"
        "<extLst><ext><x14:dataValidations count=\"1\"><x14:dataValidation type=\"list\"><x14:formula1><xm:f>Data!$H$2:$H$5</xm:f>"
        "</x14:formula1><xm:sqref>C7</xm:sqref></x14:dataValidation></x14:dataValidations>"
        "<x14:sparklineGroups><x14:sparklineGroup><xm:f>Data!$A$1:$F$1</xm:f><x14:sparklines>"
        "<x14:sparkline><xm:f>Data!B5:F5</xm:f><xm:sqref>A5</xm:sqref></x14:sparkline>"
        "</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext></extLst></worksheet>";
    ASSERT_TRUE(keptSheetXml(*summary).load_string(xml));
    ASSERT_TRUE(keptSheetXml(*sheet).load_string(
        "<worksheet><dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$5:$A$9</formula1>"
        "</dataValidation></dataValidations></worksheet>"));
    sheet->setName("My Data");
    EXPECT_EQ(xmlText(*findKeptSheetXml(*summary)),
              "<worksheet xmlns:x14=\"x14\" xmlns:xm=\"xm\">"
              "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\"><formula>'My Data'!$B$1&gt;MyData!A1+'Data 2'!A1+[1]Data!A1</formula></cfRule>"
              "<cfRule type=\"colorScale\"><colorScale><cfvo type=\"formula\" val=\"'My Data'!$C$1\"/><cfvo type=\"max\"/></colorScale></cfRule>"
              "</conditionalFormatting>"
              "<dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>'My Data'!$A$5:$A$9</formula1>"
              "<formula2>LEN(\"Data!A1\")+DataSet</formula2></dataValidation></dataValidations>"
              "<extLst><ext><x14:dataValidations count=\"1\"><x14:dataValidation type=\"list\"><x14:formula1><xm:f>'My Data'!$H$2:$H$5</xm:f>"
              "</x14:formula1><xm:sqref>C7</xm:sqref></x14:dataValidation></x14:dataValidations>"
              "<x14:sparklineGroups><x14:sparklineGroup><xm:f>'My Data'!$A$1:$F$1</xm:f><x14:sparklines>"
              "<x14:sparkline><xm:f>'My Data'!B5:F5</xm:f><xm:sqref>A5</xm:sqref></x14:sparkline>"
              "</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext></extLst></worksheet>");
    EXPECT_EQ(xmlText(*findKeptSheetXml(*sheet)),
              "<worksheet><dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>'My Data'!$A$5:$A$9</formula1>"
              "</dataValidation></dataValidations></worksheet>");
}

// Deleting the sheet turns what named it into #REF!, as it does in the cells.
TEST_F(KeptSheetEditingTest, DeletingASheetTurnsTheKeptFormulasNamingItIntoRef) {
    auto summary = book->addWorksheet(nullptr, sheet.get());
    summary->setName("Summary");
    ASSERT_TRUE(keptSheetXml(*summary).load_string(
        "<worksheet><dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>Data!$A$5:$A$9</formula1>"
        "<formula2>Summary!A1</formula2></dataValidation></dataValidations></worksheet>"));
    sheet->deleteSheet();
    EXPECT_EQ(xmlText(*findKeptSheetXml(*summary)),
              "<worksheet><dataValidations count=\"1\"><dataValidation sqref=\"B5\"><formula1>#REF!</formula1>"
              "<formula2>Summary!A1</formula2></dataValidation></dataValidations></worksheet>");
}

TEST_F(KeptSheetEditingTest, ASheetTheEngineMadeHasNoKeptXmlAndDeletesWithoutIt) {
    EXPECT_EQ(findKeptSheetXml(*sheet), nullptr);
    EXPECT_FALSE(keptSheetRoot(*sheet));
    sheet->range("1:2").deleteCells();
    EXPECT_EQ(findKeptSheetXml(*sheet), nullptr);
}

}  // namespace
}  // namespace tavlora::host::xlsx
