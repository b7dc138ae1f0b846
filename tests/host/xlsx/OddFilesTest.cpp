#include <gtest/gtest.h>

#include <filesystem>

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

// Three sheets, the first two selected together (a group), the first active.
PartList groupedTabsPackage() {
    PartList parts = minimalPackage();
    const std::string worksheetType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
    std::string types = parts.front().second;  // [Content_Types].xml
    std::string rels = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    std::string sheets;
    for (int i = 1; i <= 3; ++i) {
        std::string n = std::to_string(i);
        std::string selected = i <= 2 ? R"( tabSelected="1")" : "";
        replacePart(parts, "xl/worksheets/sheet" + n + ".xml",
                    R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                    R"(<sheetViews><sheetView)" + selected + R"( workbookViewId="0"/></sheetViews>)"
                    R"(<sheetData><row r="1"><c r="A1"><v>)" + n + R"(</v></c></row></sheetData></worksheet>)");
        if (i > 1)
            types.insert(types.find("</Types>"),
                         R"(<Override PartName="/xl/worksheets/sheet)" + n + R"(.xml" ContentType=")" + worksheetType + R"("/>)");
        rels += R"(<Relationship Id="rId)" + n + R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet)" + n + R"(.xml"/>)";
        sheets += R"(<sheet name="S)" + n + R"(" sheetId=")" + n + R"(" r:id="rId)" + n + R"("/>)";
    }
    rels += R"(<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)";
    replacePart(parts, "[Content_Types].xml", types);
    replacePart(parts, "xl/_rels/workbook.xml.rels", rels);
    replacePart(parts, "xl/workbook.xml",
                std::string(kWorkbookHead) + R"(<bookViews><workbookView activeTab="0"/></bookViews><sheets>)" + sheets +
                    "</sheets></workbook>");
    return parts;
}

bool tabSelectedIn(const std::filesystem::path& file, int sheet) {
    return zipPartText(file, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml").find(R"(tabSelected="1")") !=
           std::string::npos;
}

TEST(OddFiles, GroupedSheetTabsStayGroupedWhileTheActiveSheetIsInTheGroup) {
    TempDir dir;
    auto path = dir.file("book.xlsx");
    writeZip(path, groupedTabsPackage());
    auto workbook = readXlsx(path);
    auto saved = dir.file("saved.xlsx");
    workbook->saveAs(saved.string());
    EXPECT_TRUE(tabSelectedIn(saved, 1));
    EXPECT_TRUE(tabSelectedIn(saved, 2));
    EXPECT_FALSE(tabSelectedIn(saved, 3));

    // Making a sheet outside the group active ungroups, as clicking its tab does.
    workbook->setActiveSheet(*workbook->sheets()[2]);
    auto ungrouped = dir.file("ungrouped.xlsx");
    workbook->saveAs(ungrouped.string());
    EXPECT_FALSE(tabSelectedIn(ungrouped, 1));
    EXPECT_FALSE(tabSelectedIn(ungrouped, 2));
    EXPECT_TRUE(tabSelectedIn(ungrouped, 3));
}

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
