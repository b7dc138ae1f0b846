#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/Sheet.h"
#include "host/xlsx/PackageWriter.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

using host::SheetVisibility;

TEST(PackageFidelity, MacrosStayInMacroWorkbooksOnly) {
    auto book = readXlsx(fixture("excelmac_number_formats_vba.xlsm"));
    TempDir dir;
    host::xlsx::writeWorkbook(*book, dir.file("kept.xlsm").string());
    std::string kept = zipListing(dir.file("kept.xlsm"));
    EXPECT_NE(kept.find("xl/vbaProject.bin"), std::string::npos) << kept;
    EXPECT_NE(zipPartText(dir.file("kept.xlsm"), "[Content_Types].xml").find("application/vnd.ms-excel.sheet.macroEnabled.main+xml"),
              std::string::npos);

    // Saved as .xlsx the project is left out (a macro-free file with macros does not open).
    host::xlsx::writeWorkbook(*book, dir.file("plain.xlsx").string());
    std::string plain = zipListing(dir.file("plain.xlsx"));
    EXPECT_EQ(plain.find("vbaProject"), std::string::npos) << plain;
    std::string types = zipPartText(dir.file("plain.xlsx"), "[Content_Types].xml");
    EXPECT_EQ(types.find("macroEnabled"), std::string::npos) << types;
    EXPECT_EQ(types.find("vbaProject"), std::string::npos) << types;
    EXPECT_NE(types.find("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"), std::string::npos);
    EXPECT_EQ(zipPartText(dir.file("plain.xlsx"), "xl/_rels/workbook.xml.rels").find("vbaProject"), std::string::npos);
    EXPECT_EQ(describeWorkbook(*readXlsx(dir.file("plain.xlsx"))), describeWorkbook(*book));
}

TEST(PackageFidelity, StrictPackagesReadAndStayStrict) {
    auto book = readXlsx(fixture("excel_strict_sheet_visibility.xlsx"));
    ASSERT_EQ(book->sheets().size(), 3u);
    EXPECT_EQ(book->sheets()[0]->name(), "Visible");
    EXPECT_EQ(book->sheets()[1]->visibility(), SheetVisibility::Hidden);
    EXPECT_EQ(book->sheets()[2]->visibility(), SheetVisibility::VeryHidden);
    // The strict file reads as its transitional twin does.
    EXPECT_EQ(describeWorkbook(*book), describeWorkbook(*readXlsx(fixture("excel_sheet_visibility.xlsx"))));
    TempDir dir;
    host::xlsx::writeWorkbook(*book, dir.file("strict.xlsx").string());
    std::string workbook = zipPartText(dir.file("strict.xlsx"), "xl/workbook.xml");
    EXPECT_NE(workbook.find("xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("<calcPr calcId=\"152511\" fullCalcOnLoad=\"1\"/>"), std::string::npos) << workbook;
    EXPECT_EQ(zipPartText(dir.file("strict.xlsx"), "xl/_rels/workbook.xml.rels").find("schemas.openxmlformats.org/officeDocument"),
              std::string::npos);
}

TEST(PackageFidelity, SharedFormulasAreExpandedPerCell) {
    auto book = readXlsx(fixture("excel_sheet_visibility.xlsx"));
    std::string text = describeWorkbook(*book);
    EXPECT_NE(text.find("A2 f:CODE(A1) -> 118"), std::string::npos) << text;
    EXPECT_NE(text.find("G2 f:CODE(G1) -> 101"), std::string::npos) << text;
}

TEST(PackageFidelity, NotModelledPartsAreCarriedByteForByte) {
    auto book = readXlsx(fixture("excel_images.xlsx"));
    TempDir dir;
    host::xlsx::writeWorkbook(*book, dir.file("images.xlsx").string());
    for (const char* part : {"xl/theme/theme1.xml", "xl/drawings/drawing1.xml", "docProps/core.xml"})
        EXPECT_EQ(zipPartText(dir.file("images.xlsx"), part), zipPartText(fixture("excel_images.xlsx"), part)) << part;
}

}  // namespace
}  // namespace tavlora::test
