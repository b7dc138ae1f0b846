#include <gtest/gtest.h>

#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"
#include "com/Conversions.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

// Files the application opens although they are unusual: they open here too, and what they hold
// comes back from a save.
namespace tavlora::test {
namespace {

constexpr const char* kWorkbookHead =
    R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)";

TEST(OddFiles, AnEmptySharedStringValueIsAnEmptyCell) {
    TempDir dir;
    auto path = dir.file("book.xlsx");
    writeZip(path, packageWithRows(R"(<row r="1"><c r="A1" t="s"><v/></c><c r="B1" t="s"><v>0</v></c></row>)"));
    auto workbook = readXlsx(path);
    auto sheet = workbook->worksheets().front();
    EXPECT_TRUE(sheet->range("A1").value().isEmpty());
    EXPECT_EQ(com::toText(sheet->range("B1").value()), "x");
}

TEST(OddFiles, AOneCellMergeIsKept) {
    TempDir dir;
    auto path = dir.file("book.xlsx");
    PartList parts = minimalPackage();
    replacePart(parts, "xl/worksheets/sheet1.xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>)"
                R"(<mergeCells count="2"><mergeCell ref="B2:B2"/><mergeCell ref="C3:D4"/></mergeCells></worksheet>)");
    writeZip(path, parts);
    auto workbook = readXlsx(path);
    ASSERT_EQ(workbook->worksheets().front()->mergedAreas().size(), 2u);
    auto saved = dir.file("saved.xlsx");
    workbook->saveAs(saved.string());
    std::string sheetXml = zipPartText(saved, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheetXml.find(R"(<mergeCell ref="B2:B2"/>)"), std::string::npos) << sheetXml;
    EXPECT_NE(sheetXml.find(R"(<mergeCell ref="C3:D4"/>)"), std::string::npos) << sheetXml;
}

TEST(OddFiles, ASheetWithoutARelationshipIdIsLeftOutAndTheRestOpens) {
    TempDir dir;
    for (const char* missingId : {"", R"( r:id="")"}) {
        auto path = dir.file("book.xlsx");
        PartList parts = minimalPackage();
        // The ghost comes first and is the active tab; the real sheet has a print area of its own.
        replacePart(parts, "xl/workbook.xml",
                    std::string(kWorkbookHead) + R"(<bookViews><workbookView activeTab="1"/></bookViews><sheets>)" +
                        R"(<sheet name="Ghost" sheetId="2")" + missingId + R"(/><sheet name="Data" sheetId="1" r:id="rId1"/></sheets>)" +
                        R"(<definedNames><definedName name="_xlnm.Print_Area" localSheetId="1">Data!$A$1:$B$2</definedName>)" +
                        R"(<definedName name="GhostArea" localSheetId="0">Ghost!$A$1</definedName>)" +
                        R"(<definedName name="Everywhere">Data!$A$1</definedName></definedNames></workbook>)");
        writeZip(path, parts);
        auto workbook = readXlsx(path);
        ASSERT_EQ(workbook->sheets().size(), 1u) << missingId;
        EXPECT_EQ(workbook->sheets().front()->name(), "Data");
        EXPECT_EQ(workbook->activeSheet()->name(), "Data");
        ASSERT_EQ(workbook->definedNames().size(), 2u);
        EXPECT_EQ(workbook->definedNames()[0].name, "_xlnm.Print_Area");
        EXPECT_EQ(workbook->definedNames()[0].localSheet, 0);
        EXPECT_EQ(workbook->definedNames()[1].localSheet, -1);
        auto saved = dir.file("saved.xlsx");
        workbook->saveAs(saved.string());
        EXPECT_EQ(readXlsx(saved)->sheets().size(), 1u);
    }
}

}  // namespace
}  // namespace tavlora::test
