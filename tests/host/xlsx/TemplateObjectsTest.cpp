// Objects of a template that lie over its cells follow deleted rows and columns: drawing objects
// of every kind, legacy form controls, tables, pivot tables and their sources, sparklines and
// conditional formats kept in the sheet's extensions.
#include <gtest/gtest.h>

#include "com/Conversions.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {


std::string marker(const char* name, int column, int row) {
    return std::string("<xdr:") + name + "><xdr:col>" + std::to_string(column) + "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" +
           std::to_string(row) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + name + ">";
}

std::string twoCell(int fromColumn, int fromRow, int toColumn, int toRow, const std::string& object,
                    const std::string& editAs = "oneCell") {
    return "<xdr:twoCellAnchor editAs=\"" + editAs + "\">" + marker("from", fromColumn, fromRow) +
           marker("to", toColumn, toRow) + object + "<xdr:clientData/></xdr:twoCellAnchor>";
}

// Sheet "Data": a table "Items" over B2:C5 (header, three data rows) with the total
// =SUM(Items[Qty]) in C6 below it; a picture over E2:H6, a shape from J10, a group shape in a
// markup-compatibility block over B3:D5, a connector at an absolute place and a text box set not
// to move with cells; a legacy button over C3:E6; a pivot table at F10 over B2:C5; sparklines in
// D3 and A3 and an x14 conditional format over C3:C5; rows 3 to 5 and column C grouped in an
// outline; print titles (row 2) and a print area (B2:H14). With `down` rows above it all (the
// header rows of a one-record template), everything lies that many rows lower.
PartList templatePackage(int down = 0) {
    auto row = [down](int r) { return std::to_string(r + down); };
    auto cell = [&](const char* column, int r) { return column + row(r); };
    auto area = [&](const char* first, int top, const char* last, int bottom) { return cell(first, top) + ":" + cell(last, bottom); };
    PartList parts = minimalPackage();
    removePart(parts, "xl/sharedStrings.xml");
    replacePart(parts, "[Content_Types].xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
                R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
                R"(<Default Extension="xml" ContentType="application/xml"/>)"
                R"(<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>)"
                R"(<Default Extension="png" ContentType="image/png"/>)"
                R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
                R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
                R"(<Override PartName="/xl/drawings/drawing1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawing+xml"/>)"
                R"(<Override PartName="/xl/tables/table1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"/>)"
                R"(<Override PartName="/xl/pivotTables/pivotTable1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml"/>)"
                R"(<Override PartName="/xl/pivotCache/pivotCacheDefinition1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml"/>)"
                R"(</Types>)");
    replacePart(parts, "xl/workbook.xml",
                std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"") + kSpreadsheetMain +
                    R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
                    R"(<sheet name="Data" sheetId="1" r:id="rId1"/></sheets><definedNames>)"
                    R"(<definedName name="_xlnm.Print_Area" localSheetId="0">Data!$B$)" + row(2) + ":$H$" + row(14) +
                    R"(</definedName><definedName name="_xlnm.Print_Titles" localSheetId="0">Data!$)" + row(2) + ":$" + row(2) +
                    R"(</definedName></definedNames><pivotCaches><pivotCache cacheId="1" r:id="rId2"/></pivotCaches></workbook>)");
    replacePart(parts, "xl/_rels/workbook.xml.rels",
                relationshipsPart(officeRelationship("rId1", "worksheet", "worksheets/sheet1.xml") +
                              officeRelationship("rId2", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml")));
    auto text = [&](const char* column, int r, const char* value) {
        return "<c r=\"" + cell(column, r) + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
    };
    auto number = [&](const char* column, int r, int value) {
        return "<c r=\"" + cell(column, r) + "\"><v>" + std::to_string(value) + "</v></c>";
    };
    auto grouped = [&](int r) { return "<row r=\"" + row(r) + "\" outlineLevel=\"1\">"; };
    replacePart(parts, "xl/worksheets/sheet1.xml",
                std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kSpreadsheetMain +
                    R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                    R"(<sheetFormatPr defaultRowHeight="15" outlineLevelRow="1" outlineLevelCol="1"/>)"
                    R"(<cols><col min="3" max="3" width="9.140625" outlineLevel="1"/></cols><sheetData>)" +
                    "<row r=\"" + row(2) + "\">" + text("B", 2, "Name") + text("C", 2, "Qty") + "</row>" +
                    grouped(3) + text("B", 3, "a") + number("C", 3, 4) + "</row>" +
                    grouped(4) + text("B", 4, "b") + number("C", 4, 5) + "</row>" +
                    grouped(5) + text("B", 5, "c") + number("C", 5, 7) + "</row>" +
                    "<row r=\"" + row(6) + "\"><c r=\"" + cell("C", 6) + R"("><f>SUM(Items[Qty])</f></c></row></sheetData>)"
                    R"(<drawing r:id="rId1"/><legacyDrawing r:id="rId4"/><tableParts count="1"><tablePart r:id="rId2"/></tableParts>)"
                    R"(<extLst><ext uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
                    R"(<x14:sparklineGroups xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><x14:sparklineGroup>)"
                    R"(<x14:colorSeries rgb="FF376092"/><x14:sparklines>)"
                    "<x14:sparkline><xm:f>Data!" + area("C", 3, "C", 5) + "</xm:f><xm:sqref>" + cell("D", 3) + "</xm:sqref></x14:sparkline>"
                    "<x14:sparkline><xm:f>Data!" + area("C", 3, "C", 5) + "</xm:f><xm:sqref>" + cell("A", 3) + "</xm:sqref></x14:sparkline>"
                    R"(</x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext>)"
                    R"(<ext uri="{78C0D931-6437-407d-A8EE-F0AAD7539E65}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
                    R"(<x14:conditionalFormattings><x14:conditionalFormatting xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main">)"
                    R"(<x14:cfRule type="cellIs" priority="1" operator="greaterThan" id="{00000000-0000-0000-0000-000000000001}">)"
                    "<xm:f>$C$" + row(3) + "</xm:f><x14:dxf/></x14:cfRule><xm:sqref>" + area("C", 3, "C", 5) +
                    R"(</xm:sqref></x14:conditionalFormatting></x14:conditionalFormattings></ext></extLst></worksheet>)");
    parts.emplace_back("xl/worksheets/_rels/sheet1.xml.rels",
                       relationshipsPart(officeRelationship("rId1", "drawing", "../drawings/drawing1.xml") +
                                     officeRelationship("rId2", "table", "../tables/table1.xml") +
                                     officeRelationship("rId3", "pivotTable", "../pivotTables/pivotTable1.xml") +
                                     officeRelationship("rId4", "vmlDrawing", "../drawings/vmlDrawing1.vml")));
    parts.emplace_back("xl/tables/table1.xml",
                       std::string("<table xmlns=\"") + kSpreadsheetMain + R"(" id="1" name="Items" displayName="Items" ref=")" +
                           area("B", 2, "C", 5) + R"("><autoFilter ref=")" + area("B", 2, "C", 5) + R"("/>)"
                           R"(<tableColumns count="2"><tableColumn id="1" name="Name"/><tableColumn id="2" name="Qty"/></tableColumns>)"
                           R"(<tableStyleInfo name="TableStyleMedium9" showRowStripes="1"/></table>)");
    const std::string picture =
        R"(<xdr:pic><xdr:nvPicPr><xdr:cNvPr id="2" name="Logo"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill><a:blip r:embed="rId1"/>)"
        R"(<a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr></xdr:pic>)";
    auto shape = [](int id, const char* name) {
        return "<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr><xdr:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
               "\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></xdr:spPr></xdr:sp>";
    };
    parts.emplace_back(
        "xl/drawings/drawing1.xml",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" )"
        R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
        R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">)" +
            twoCell(4, 1 + down, 7, 5 + down, picture) +
            "<xdr:oneCellAnchor>" + marker("from", 9, 9 + down) + R"(<xdr:ext cx="952500" cy="381000"/>)" + shape(3, "Shape") +
            "<xdr:clientData/></xdr:oneCellAnchor>" +
            R"(<mc:AlternateContent><mc:Choice xmlns:a14="http://schemas.microsoft.com/office/drawing/2010/main" Requires="a14">)" +
            twoCell(1, 2 + down, 3, 4 + down,
                    "<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"4\" name=\"Group\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr><xdr:grpSpPr/>" +
                        shape(5, "Inner") + "</xdr:grpSp>") +
            "</mc:Choice></mc:AlternateContent>" +
            R"(<xdr:absoluteAnchor><xdr:pos x="100" y="200"/><xdr:ext cx="300" cy="400"/>)" + shape(6, "Connector") +
            "<xdr:clientData/></xdr:absoluteAnchor>" + twoCell(10, 10, 12, 12, shape(7, "Text box"), "absolute") + "</xdr:wsDr>");
    parts.emplace_back("xl/drawings/_rels/drawing1.xml.rels", relationshipsPart(officeRelationship("rId1", "image", "../media/image1.png")));
    parts.emplace_back("xl/media/image1.png", "not really a picture");
    parts.emplace_back("xl/drawings/vmlDrawing1.vml",
                       R"(<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" )"
                       R"(xmlns:x="urn:schemas-microsoft-com:office:excel"><v:shape id="_x0000_s1025" type="#_x0000_t201">)"
                       "<x:ClientData ObjectType=\"Button\"><x:Anchor>2, 0, " + std::to_string(2 + down) + ", 0, 4, 0, " +
                           std::to_string(5 + down) + ", 0</x:Anchor></x:ClientData></v:shape></xml>");
    parts.emplace_back("xl/pivotTables/pivotTable1.xml",
                       std::string("<pivotTableDefinition xmlns=\"") + kSpreadsheetMain + R"(" name="Pivot" cacheId="1" dataCaption="Values"><location ref=")" +
                           area("F", 10, "G", 14) + R"(" firstHeaderRow="1" firstDataRow="1" firstDataCol="1"/></pivotTableDefinition>)");
    parts.emplace_back("xl/pivotTables/_rels/pivotTable1.xml.rels",
                       relationshipsPart(officeRelationship("rId1", "pivotCacheDefinition", "../pivotCache/pivotCacheDefinition1.xml")));
    parts.emplace_back("xl/pivotCache/pivotCacheDefinition1.xml",
                       std::string("<pivotCacheDefinition xmlns=\"") + kSpreadsheetMain +
                           R"(" refreshOnLoad="1"><cacheSource type="worksheet"><worksheetSource ref=")" + area("B", 2, "C", 5) +
                           R"(" sheet="Data"/></cacheSource>)"
                           R"(<cacheFields count="2"><cacheField name="Name"><sharedItems/></cacheField><cacheField name="Qty"><sharedItems/></cacheField></cacheFields></pivotCacheDefinition>)");
    return parts;
}

// Where each object of the saved package sits, as plain lines.
std::string placements(const std::filesystem::path& saved) {
    return runPython(R"py(
import re, zipfile
z = zipfile.ZipFile(r")py" + saved.string() + R"py(")
names = z.namelist()
def part(name): return z.read(name).decode() if name in names else ""
table = part("xl/tables/table1.xml")
print("table", re.findall(r'<table [^>]*ref="([^"]*)"', table), re.findall(r'<autoFilter ref="([^"]*)"', table))
sheet = part("xl/worksheets/sheet1.xml")
print("formulas", re.findall(r'<c r="([A-Z]+[0-9]+)"[^>]*><f>([^<]*)</f>', sheet))
print("tableParts", re.findall(r'<tablePart [^>]*/>', sheet))
drawing = part("xl/drawings/drawing1.xml")
for kind, body in re.findall(r'<xdr:(twoCellAnchor|oneCellAnchor|absoluteAnchor)[^>]*>(.*?)</xdr:\1>', drawing):
    cells = re.findall(r'<xdr:col>(\d+)</xdr:col>.*?<xdr:row>(\d+)</xdr:row>', body)
    name = re.search(r'name="([^"]*)"', body).group(1)
    print(name, kind, cells, re.findall(r'<xdr:pos [^>]*/>', body))
print("button", re.findall(r'<x:Anchor>([^<]*)</x:Anchor>', part("xl/drawings/vmlDrawing1.vml")))
print("sparklines", re.findall(r'<xm:f>([^<]*)</xm:f><xm:sqref>([^<]*)</xm:sqref>', sheet))
print("x14 format", re.findall(r'<xm:f>([^<]*)</xm:f><x14:dxf', sheet), re.findall(r'</x14:cfRule><xm:sqref>([^<]*)<', sheet))
print("pivot", re.findall(r'<location ref="([^"]*)"', part("xl/pivotTables/pivotTable1.xml")),
      re.findall(r'<worksheetSource ref="([^"]*)"', part("xl/pivotCache/pivotCacheDefinition1.xml")))
print("print", re.findall(r'<definedName name="_xlnm.(Print_[A-Za-z]*)"[^>]*>([^<]*)<', part("xl/workbook.xml")))
print("outline", re.findall(r'<row r="(\d+)"[^>]*outlineLevel="1"', sheet), re.findall(r'<col min="(\d+)"[^>]*outlineLevel="1"', sheet))
)py");
}

class TemplateObjects : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("template.xlsx"), templatePackage());
        app_ = host::files::newApplication();
        book_ = app_->open(dir_.file("template.xlsx").string());
        sheet_ = book_->worksheets().front();
    }

    std::string saved() {
        auto path = dir_.file("saved.xlsx");
        book_->saveAs(path.string());
        return placements(path);
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> sheet_;
};

// Where everything of the template sits as made.
constexpr const char* kAsMade =
    "table ['B2:C5'] ['B2:C5']\n"
    "formulas [('C6', 'SUM(Items[Qty])')]\n"
    "tableParts ['<tablePart r:id=\"rId2\"/>']\n"
    "Logo twoCellAnchor [('4', '1'), ('7', '5')] []\n"
    "Shape oneCellAnchor [('9', '9')] []\n"
    "Group twoCellAnchor [('1', '2'), ('3', '4')] []\n"
    "Connector absoluteAnchor [] ['<xdr:pos x=\"100\" y=\"200\"/>']\n"
    "Text box twoCellAnchor [('10', '10'), ('12', '12')] []\n"
    "button ['2, 0, 2, 0, 4, 0, 5, 0']\n"
    "sparklines [('Data!C3:C5', 'D3'), ('Data!C3:C5', 'A3')]\n"
    "x14 format ['$C$3'] ['C3:C5']\n"
    "pivot ['F10:G14'] ['B2:C5']\n"
    "print [('Print_Area', 'Data!$B$2:$H$14'), ('Print_Titles', 'Data!$2:$2')]\n"
    "outline ['3', '4', '5'] ['3']\n";

TEST_F(TemplateObjects, StayWhereTheyAreWhenNothingIsDeleted) { EXPECT_EQ(saved(), kAsMade); }

// As in the application, a structured reference to a deleted column, or to a table that went,
// becomes #REF! in every formula, and LibreOffice then shows the error instead of a wrong total.
TEST_F(TemplateObjects, ReferencesToADeletedTableColumnBecomeRef) {
    sheet_->range("H1").setFormula("=SUM(Items[Qty])+COUNTA(Items[Name])");
    book_->definedNames().push_back({"Quantities", "Items[[#Data],[Qty]]", -1, ""});
    sheet_->range("C:C").deleteCells();
    EXPECT_EQ(com::toText(sheet_->range("G1").formula()), "=SUM(#REF!)+COUNTA(Items[Name])");
    EXPECT_EQ(book_->definedNames().back().formula, "#REF!");
    EXPECT_NE(saved().find("table ['B2:B5'] ['B2:B5']"), std::string::npos);

    sheet_->range("2:2").deleteCells();  // the header row: the table goes
    EXPECT_EQ(com::toText(sheet_->range("G1").formula()), "=SUM(#REF!)+COUNTA(#REF!)");
}

// What end mode 2 of a template does: its control row 1 and control column A go.
TEST_F(TemplateObjects, FollowTheDeletedControlRowAndColumn) {
    sheet_->range("1:1").deleteCells();
    sheet_->range("A:A").deleteCells();
    EXPECT_EQ(saved(),
              "table ['A1:B4'] ['A1:B4']\n"
              "formulas [('B5', 'SUM(Items[Qty])')]\n"
              "tableParts ['<tablePart r:id=\"rId2\"/>']\n"
              "Logo twoCellAnchor [('3', '0'), ('6', '4')] []\n"
              "Shape oneCellAnchor [('8', '8')] []\n"
              "Group twoCellAnchor [('0', '1'), ('2', '3')] []\n"
              "Connector absoluteAnchor [] ['<xdr:pos x=\"100\" y=\"200\"/>']\n"
              "Text box twoCellAnchor [('10', '10'), ('12', '12')] []\n"
              "button ['1, 0, 1, 0, 3, 0, 4, 0']\n"
              "sparklines [('Data!B2:B4', 'C2')]\n"
              "x14 format ['$B$2'] ['B2:B4']\n"
              "pivot ['E9:F13'] ['A1:B4']\n"
              "print [('Print_Area', 'Data!$A$1:$G$13'), ('Print_Titles', 'Data!$1:$1')]\n"
              "outline ['2', '3', '4'] ['2']\n");
}

// What header mode 2 of a one-record template does: its two header rows go. A template made two
// rows lower comes back exactly as the template made in place.
TEST_F(TemplateObjects, FollowTheDeletedHeaderRows) {
    writeZip(dir_.file("lower.xlsx"), templatePackage(2));
    book_ = app_->open(dir_.file("lower.xlsx").string());
    sheet_ = book_->worksheets().front();
    sheet_->range("1:2").deleteCells();
    EXPECT_EQ(saved(), kAsMade);
}

TEST_F(TemplateObjects, ATableWhoseHeaderRowGoesLeavesThePackage) {
    sheet_->range("2:2").deleteCells();
    std::string out = saved();
    EXPECT_NE(out.find("table [] []\n"), std::string::npos) << out;
    EXPECT_NE(out.find("tableParts []\n"), std::string::npos) << out;
    EXPECT_EQ(zipListing(dir_.file("saved.xlsx")).find("table1.xml"), std::string::npos);
    // Objects below the row still move up.
    EXPECT_NE(out.find("Logo twoCellAnchor [('4', '1'), ('7', '4')]"), std::string::npos) << out;
}

TEST_F(TemplateObjects, CellsShiftedWithinSomeColumnsMoveNoDrawing) {
    sheet_->range("A1:C1").deleteCells();  // cells of A:C shift up
    std::string out = saved();
    EXPECT_NE(out.find("table ['B1:C4'] ['B1:C4']"), std::string::npos) << out;
    EXPECT_NE(out.find("Logo twoCellAnchor [('4', '1'), ('7', '5')]"), std::string::npos) << out;
    EXPECT_NE(out.find("button ['2, 0, 2, 0, 4, 0, 5, 0']"), std::string::npos) << out;
}

// LibreOffice computes the structured total over the moved table.
TEST_F(TemplateObjects, LibreOfficeTotalsTheMovedTable) {
    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    sheet_->range("1:1").deleteCells();
    sheet_->range("A:A").deleteCells();
    auto path = dir_.file("moved.xlsx");
    book_->saveAs(path.string());
    std::string log;
    int status = convertWithLibreOffice(dir_.path(), path, "csv", dir_.file("csv"), &log);
    ASSERT_EQ(status, 0) << log;
    // The first two columns; the objects beside them widen what LibreOffice writes.
    std::string csv = runPython("import csv\nfor row in list(csv.reader(open(r'" + dir_.file("csv/moved.csv").string() +
                                "')))[:5]: print(','.join(row[:2]))");
    EXPECT_EQ(csv, "Name,Qty\na,4\nb,5\nc,7\n,16\n");
}

TEST_F(TemplateObjects, LibreOfficeTotalsTheTableMovedUpByTheHeaderRows) {
    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    writeZip(dir_.file("lower.xlsx"), templatePackage(2));
    book_ = app_->open(dir_.file("lower.xlsx").string());
    book_->worksheets().front()->range("1:2").deleteCells();
    auto path = dir_.file("raised.xlsx");
    book_->saveAs(path.string());
    std::string log;
    ASSERT_EQ(convertWithLibreOffice(dir_.path(), path, "csv", dir_.file("csv"), &log), 0) << log;
    std::string csv = runPython("import csv\nfor row in list(csv.reader(open(r'" + dir_.file("csv/raised.csv").string() +
                                "')))[1:6]: print(','.join(row[1:3]))");
    EXPECT_EQ(csv, "Name,Qty\na,4\nb,5\nc,7\n,16\n");
}

}  // namespace
}  // namespace tavlora::test
