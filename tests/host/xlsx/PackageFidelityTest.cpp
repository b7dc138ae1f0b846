#include <gtest/gtest.h>

#include "support/XlsxTestSupport.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
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

// A package may type its relationship parts by Override alone; the saved one types every part.
TEST(PackageFidelity, RelationshipPartsTypedByOverrideOnlyKeepAType) {
    PartList parts = minimalPackage();
    const std::string relsType = "application/vnd.openxmlformats-package.relationships+xml";
    std::string types = parts.front().second;
    size_t at = types.find("<Default Extension=\"rels\"");
    size_t end = types.find("/>", at) + 2;
    types.replace(at, end - at,
                  "<Override PartName=\"/_rels/.rels\" ContentType=\"" + relsType + "\"/>"
                  "<Override PartName=\"/xl/_rels/workbook.xml.rels\" ContentType=\"" + relsType + "\"/>");
    replacePart(parts, "[Content_Types].xml", types);
    TempDir dir;
    writeZip(dir.file("in.xlsx"), parts);
    ASSERT_EQ(zipPartText(dir.file("in.xlsx"), "[Content_Types].xml").find("Default Extension=\"rels\""), std::string::npos);
    host::xlsx::writeWorkbook(*readXlsx(dir.file("in.xlsx")), dir.file("out.xlsx").string());
    std::string saved = zipPartText(dir.file("out.xlsx"), "[Content_Types].xml");
    EXPECT_NE(saved.find("<Default Extension=\"rels\" ContentType=\"" + relsType + "\"/>"), std::string::npos) << saved;
}

// On a sheet whose rows are hidden by default, a row listed without anything else is shown.
TEST(PackageFidelity, BareRowsStayShownWhereRowsAreHiddenByDefault) {
    PartList parts = minimalPackage();
    replacePart(parts, "xl/worksheets/sheet1.xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                R"(<sheetFormatPr defaultRowHeight="15" zeroHeight="1"/><sheetData><row r="1"><c r="A1"><v>1</v></c></row>)"
                R"(<row r="2"/><row r="3"/></sheetData></worksheet>)");
    TempDir dir;
    writeZip(dir.file("in.xlsx"), parts);
    host::xlsx::writeWorkbook(*readXlsx(dir.file("in.xlsx")), dir.file("out.xlsx").string());
    std::string saved = zipPartText(dir.file("out.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(saved.find("<row r=\"2\"/><row r=\"3\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("zeroHeight=\"1\""), std::string::npos) << saved;
}

// A default row height the program set is one the application must not size away by font.
TEST(PackageFidelity, AChangedDefaultRowHeightIsWrittenAsCustom) {
    auto app = host::files::newApplication();
    auto book = app->add();
    auto sheet = book->worksheets().front();
    sheet->range("A:C").setRowHeight(16);
    TempDir dir;
    host::xlsx::writeWorkbook(*book, dir.file("rows.xlsx").string());
    std::string saved = zipPartText(dir.file("rows.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(saved.find("defaultRowHeight=\"16\" customHeight=\"1\""), std::string::npos) << saved;

    // A sheet read with its own default keeps it as it was.
    host::xlsx::writeWorkbook(*readXlsx(dir.file("rows.xlsx")), dir.file("again.xlsx").string());
    std::string again = zipPartText(dir.file("again.xlsx"), "xl/worksheets/sheet1.xml");
    size_t custom = again.find("customHeight=\"1\"");
    ASSERT_NE(custom, std::string::npos) << again;
    EXPECT_EQ(again.find("customHeight", custom + 1), std::string::npos) << again;
    auto unchanged = app->add();
    host::xlsx::writeWorkbook(*unchanged, dir.file("plain.xlsx").string());
    EXPECT_EQ(zipPartText(dir.file("plain.xlsx"), "xl/worksheets/sheet1.xml").find("customHeight"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::test
