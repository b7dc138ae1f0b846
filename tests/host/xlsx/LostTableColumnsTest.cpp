// What a deleted table column (or a table that goes) takes along elsewhere in the package: the
// table slicers over it, and the structured references of other tables' column and totals formulas.
#include <gtest/gtest.h>

#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/FileFormats.h"
#include "host/files/NewApplication.h"
#include "host/xlsx/TemplateCache.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

constexpr const char* kX14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main";
constexpr const char* kX15 = "http://schemas.microsoft.com/office/spreadsheetml/2010/11/main";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kOfficeRel = "http://schemas.microsoft.com/office/2007/relationships/";

std::string relationship(const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string relationships(const std::string& body) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)" +
           body + "</Relationships>";
}

std::string override(const std::string& part, const std::string& type) {
    return "<Override PartName=\"/" + part + "\" ContentType=\"" + type + "\"/>";
}

std::string text(const char* cell, const char* value) {
    return std::string("<c r=\"") + cell + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
}

std::string number(const char* cell, int value) {
    return std::string("<c r=\"") + cell + "\"><v>" + std::to_string(value) + "</v></c>";
}

std::string slicerCache(const char* name, const char* column, int columnId) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><slicerCacheDefinition xmlns=\"") + kX14 +
           R"(" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="x" )"
           R"(xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" name=")" + name + "\" sourceName=\"" + column +
           "\"><extLst><x:ext uri=\"{2F2917AC-EB37-4324-AD4E-5DD8C200BD13}\" xmlns:x15=\"" + kX15 +
           "\"><x15:tableSlicerCache tableId=\"1\" column=\"" + std::to_string(columnId) +
           "\"/></x:ext></extLst></slicerCacheDefinition>";
}

// A slicer as the application draws it: a graphic frame in a markup-compatibility block whose
// fallback is a shape telling older readers that a slicer was here. A timeline (`timeslicer`)
// is drawn alike.
std::string drawnSlicer(const char* name, int id, int fromColumn, int fromRow, const std::string& kind = "slicer") {
    const std::string space = kind == "slicer" ? "http://schemas.microsoft.com/office/drawing/2010/slicer"
                                               : "http://schemas.microsoft.com/office/drawing/2012/timeslicer";
    auto marker = [](const char* tag, int column, int row) {
        return std::string("<xdr:") + tag + "><xdr:col>" + std::to_string(column) + "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" +
               std::to_string(row) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + tag + ">";
    };
    std::string anchor = std::string("<xdr:twoCellAnchor editAs=\"oneCell\">") + marker("from", fromColumn, fromRow) +
                         marker("to", fromColumn + 2, fromRow + 6);
    std::string ids = "<xdr:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name + "\"/>";
    return R"(<mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">)"
           R"(<mc:Choice xmlns:sle15="http://schemas.microsoft.com/office/drawing/2012/slicer" Requires="sle15">)" +
           anchor + "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr>" + ids +
           "<xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm>"
           "<a:graphic><a:graphicData uri=\"" + space + "\"><sle:" + kind + " xmlns:sle=\"" + space + "\" name=\"" + name +
           "\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor></mc:Choice><mc:Fallback>" +
           anchor + "<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr>" + ids +
           "<xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/><xdr:txBody><a:bodyPr/><a:p><a:r><a:t>This shape represents a table slicer.</a:t>"
           "</a:r></a:p></xdr:txBody></xdr:sp><xdr:clientData/></xdr:twoCellAnchor></mc:Fallback></mc:AlternateContent>";
}

// Sheet "Data": the table "Items" (id 1) over B2:D5 with the columns Name (id 1), Region (id 2)
// and Qty (id 3); slicers over Region (drawn from F2) and Name (drawn from F10), each with its
// cache and the "#N/A" name the application keeps for it, and the drawing of a timeline from J2
// (timelines filter pivot caches only: its own parts are left out). Sheet "Report": the table "Summary" over
// B2:C4 with a totals row, whose column formulas name Items' columns and a cell of "Data".
PartList slicedPackage() {
    PartList parts = minimalPackage();
    removePart(parts, "xl/sharedStrings.xml");
    const std::string table = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";
    const std::string cache = "application/vnd.ms-excel.slicerCache+xml";
    replacePart(parts, "[Content_Types].xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
                R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
                R"(<Default Extension="xml" ContentType="application/xml"/>)" +
                    override("xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml") +
                    override("xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml") +
                    override("xl/worksheets/sheet2.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml") +
                    override("xl/drawings/drawing1.xml", "application/vnd.openxmlformats-officedocument.drawing+xml") +
                    override("xl/tables/table1.xml", table) + override("xl/tables/table2.xml", table) +
                    override("xl/slicers/slicer1.xml", "application/vnd.ms-excel.slicer+xml") +
                    override("xl/slicerCaches/slicerCache1.xml", cache) + override("xl/slicerCaches/slicerCache2.xml", cache) +
                    "</Types>");
    replacePart(parts, "xl/workbook.xml",
                std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"") + kSpreadsheetMain +
                    R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
                    R"(<sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="Report" sheetId="2" r:id="rId2"/></sheets>)"
                    R"(<definedNames><definedName name="Slicer_Name">#N/A</definedName><definedName name="Slicer_Region">#N/A</definedName></definedNames>)"
                    R"(<extLst><ext uri="{46BE6895-7355-4a93-B00E-2C351335B9C9}" xmlns:x15=")" + kX15 +
                    "\"><x15:slicerCaches xmlns:x14=\"" + kX14 +
                    R"("><x14:slicerCache r:id="rId3"/><x14:slicerCache r:id="rId4"/></x15:slicerCaches></ext></extLst></workbook>)");
    replacePart(parts, "xl/_rels/workbook.xml.rels",
                relationships(relationship("rId1", std::string(kRel) + "worksheet", "worksheets/sheet1.xml") +
                              relationship("rId2", std::string(kRel) + "worksheet", "worksheets/sheet2.xml") +
                              relationship("rId3", std::string(kOfficeRel) + "slicerCache", "slicerCaches/slicerCache1.xml") +
                              relationship("rId4", std::string(kOfficeRel) + "slicerCache", "slicerCaches/slicerCache2.xml")));
    replacePart(parts, "xl/worksheets/sheet1.xml",
                std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kSpreadsheetMain +
                    R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetData>)" +
                    "<row r=\"2\">" + text("B2", "Name") + text("C2", "Region") + text("D2", "Qty") + "</row>" +
                    "<row r=\"3\">" + text("B3", "a") + text("C3", "North") + number("D3", 4) + "</row>" +
                    "<row r=\"4\">" + text("B4", "b") + text("C4", "South") + number("D4", 5) + "</row>" +
                    "<row r=\"5\">" + text("B5", "c") + text("C5", "North") + number("D5", 7) + "</row>" +
                    R"(<row r="6"><c r="D6"><f>SUM(Items[Qty])</f></c></row></sheetData>)"
                    R"(<drawing r:id="rId1"/><tableParts count="1"><tablePart r:id="rId2"/></tableParts>)"
                    R"(<extLst><ext uri="{3A4CF648-6AED-40f4-86FF-DC5316D8AED3}" xmlns:x15=")" + kX15 +
                    "\"><x14:slicerList xmlns:x14=\"" + kX14 + R"("><x14:slicer r:id="rId3"/></x14:slicerList></ext></extLst></worksheet>)");
    parts.emplace_back("xl/worksheets/_rels/sheet1.xml.rels",
                       relationships(relationship("rId1", std::string(kRel) + "drawing", "../drawings/drawing1.xml") +
                                     relationship("rId2", std::string(kRel) + "table", "../tables/table1.xml") +
                                     relationship("rId3", std::string(kOfficeRel) + "slicer", "../slicers/slicer1.xml")));
    parts.emplace_back("xl/tables/table1.xml",
                       std::string("<table xmlns=\"") + kSpreadsheetMain +
                           R"(" id="1" name="Items" displayName="Items" ref="B2:D5"><autoFilter ref="B2:D5"/>)"
                           R"(<tableColumns count="3"><tableColumn id="1" name="Name"/><tableColumn id="2" name="Region"/>)"
                           R"(<tableColumn id="3" name="Qty"/></tableColumns><tableStyleInfo name="TableStyleMedium9" showRowStripes="1"/></table>)");
    parts.emplace_back("xl/slicers/slicer1.xml",
                       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><slicers xmlns=\"") + kX14 +
                           R"(" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="x xr10" )"
                           R"(xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:xr10="http://schemas.microsoft.com/office/spreadsheetml/2016/revision10">)"
                           R"(<slicer name="Region" cache="Slicer_Region" caption="Region" rowHeight="241300"/>)"
                           R"(<slicer name="Name" cache="Slicer_Name" caption="Name" rowHeight="241300"/></slicers>)");
    parts.emplace_back("xl/slicerCaches/slicerCache1.xml", slicerCache("Slicer_Region", "Region", 2));
    parts.emplace_back("xl/slicerCaches/slicerCache2.xml", slicerCache("Slicer_Name", "Name", 1));
    parts.emplace_back("xl/drawings/drawing1.xml",
                       R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                       R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" )"
                       R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">)" +
                           drawnSlicer("Region", 2, 5, 1) + drawnSlicer("Name", 3, 5, 9) +
                           drawnSlicer("Date", 4, 9, 1, "timeslicer") + "</xdr:wsDr>");
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kSpreadsheetMain +
                           R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetData>)" +
                           "<row r=\"2\">" + text("B2", "Key") + text("C2", "Count") + "</row>" + "<row r=\"3\">" +
                           text("B3", "a") + R"(<c r="C3"><f>COUNTIF(Items[Name],[@Key])+Data!$D$5</f></c></row>)" +
                           R"(<row r="4"><c r="B4"><f>COUNTA(Items[Region])</f></c></row></sheetData>)"
                           R"(<tableParts count="1"><tablePart r:id="rId1"/></tableParts></worksheet>)");
    parts.emplace_back("xl/worksheets/_rels/sheet2.xml.rels",
                       relationships(relationship("rId1", std::string(kRel) + "table", "../tables/table2.xml")));
    parts.emplace_back("xl/tables/table2.xml",
                       std::string("<table xmlns=\"") + kSpreadsheetMain +
                           R"(" id="2" name="Summary" displayName="Summary" ref="B2:C4" totalsRowCount="1"><autoFilter ref="B2:C3"/>)"
                           R"(<tableColumns count="2"><tableColumn id="1" name="Key" totalsRowFunction="custom">)"
                           R"(<totalsRowFormula>COUNTA(Items[Region])</totalsRowFormula></tableColumn>)"
                           R"(<tableColumn id="2" name="Count"><calculatedColumnFormula>COUNTIF(Items[Name],[@Key])+Data!$D$5)"
                           R"(</calculatedColumnFormula></tableColumn></tableColumns></table>)");
    return parts;
}

// The slicer machinery of a saved package, as plain lines.
std::string slicerSummary(const std::filesystem::path& saved) {
    return runPython(R"py(
import re, zipfile
z = zipfile.ZipFile(r")py" + saved.string() + R"py(")
names = z.namelist()
def part(name): return z.read(name).decode() if name in names else ""
print("parts", sorted(n for n in names if "slicer" in n.lower()))
print("types", sorted(re.findall(r'PartName="/([^"]*slicer[^"]*)"', part("[Content_Types].xml"))))
workbook = part("xl/workbook.xml")
print("workbook caches", re.findall(r'slicerCache r:id="([^"]*)"', workbook), "ext" in workbook)
print("names", re.findall(r'<definedName name="([^"]*)"', workbook))
print("workbook rels", re.findall(r'Target="(slicerCaches/[^"]*)"', part("xl/_rels/workbook.xml.rels")))
sheet = part("xl/worksheets/sheet1.xml")
print("sheet slicers", re.findall(r'<x14:slicer r:id="([^"]*)"', sheet), "extLst" in sheet)
print("sheet rels", re.findall(r'Target="(\.\./slicers/[^"]*)"', part("xl/worksheets/_rels/sheet1.xml.rels")))
print("slicers", re.findall(r'<slicer name="([^"]*)" cache="([^"]*)"', part("xl/slicers/slicer1.xml")))
print("caches", re.findall(r'name="(Slicer_[^"]*)".*?tableId="(\d+)" column="(\d+)"', part("xl/slicerCaches/slicerCache2.xml")))
drawing = part("xl/drawings/drawing1.xml")
print("drawn", [(n, re.findall(r'<xdr:col>(\d+)</xdr:col>.*?<xdr:row>(\d+)</xdr:row>', body)[0])
                for body, n in re.findall(r'(<mc:AlternateContent.*?<sle:slicer [^>]*name="([^"]*)")', drawing)],
      drawing.count("<mc:AlternateContent"), drawing.count("This shape"))
print("timeline", re.findall(r'<xdr:col>(\d+)</xdr:col>.*?<xdr:row>(\d+)</xdr:row>', drawing.split('timeslicer')[0].split('<mc:AlternateContent')[-1]))
)py");
}

std::string summaryFormulas(const std::filesystem::path& saved) {
    return runPython(R"py(
import re, zipfile
z = zipfile.ZipFile(r")py" + saved.string() + R"py(")
print(re.findall(r'<(calculatedColumnFormula|totalsRowFormula)>([^<]*)<', z.read("xl/tables/table2.xml").decode()))
print(re.findall(r'<f>([^<]*)</f>', z.read("xl/worksheets/sheet2.xml").decode()))
)py");
}

class LostTableColumns : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("sliced.xlsx"), slicedPackage());
        app_ = host::files::newApplication();
        book_ = app_->open(dir_.file("sliced.xlsx").string());
        data_ = book_->worksheets().front();
    }

    std::filesystem::path save() {
        auto path = dir_.file("saved.xlsx");
        book_->saveAs(path.string());
        return path;
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
    std::shared_ptr<host::Worksheet> data_;
};

TEST_F(LostTableColumns, SlicersStayWhenNothingIsDeleted) {
    EXPECT_EQ(slicerSummary(save()),
              "parts ['xl/slicerCaches/slicerCache1.xml', 'xl/slicerCaches/slicerCache2.xml', 'xl/slicers/slicer1.xml']\n"
              "types ['xl/slicerCaches/slicerCache1.xml', 'xl/slicerCaches/slicerCache2.xml', 'xl/slicers/slicer1.xml']\n"
              "workbook caches ['rId3', 'rId4'] True\n"
              "names ['Slicer_Name', 'Slicer_Region']\n"
              "workbook rels ['slicerCaches/slicerCache1.xml', 'slicerCaches/slicerCache2.xml']\n"
              "sheet slicers ['rId3'] True\n"
              "sheet rels ['../slicers/slicer1.xml']\n"
              "slicers [('Region', 'Slicer_Region'), ('Name', 'Slicer_Name')]\n"
              "caches [('Slicer_Name', '1', '1')]\n"
              "drawn [('Region', ('5', '1')), ('Name', ('5', '9'))] 3 3\n"
              "timeline [('9', '1'), ('11', '7')]\n");
}

// The slicer over the deleted column goes with every trace of it; the other one stays, and its
// drawing moves left with the cells.
TEST_F(LostTableColumns, TheSlicerOfADeletedColumnLeavesThePackage) {
    data_->range("C:C").deleteCells();
    EXPECT_EQ(slicerSummary(save()),
              "parts ['xl/slicerCaches/slicerCache2.xml', 'xl/slicers/slicer1.xml']\n"
              "types ['xl/slicerCaches/slicerCache2.xml', 'xl/slicers/slicer1.xml']\n"
              "workbook caches ['rId4'] True\n"
              "names ['Slicer_Name']\n"
              "workbook rels ['slicerCaches/slicerCache2.xml']\n"
              "sheet slicers ['rId3'] True\n"
              "sheet rels ['../slicers/slicer1.xml']\n"
              "slicers [('Name', 'Slicer_Name')]\n"
              "caches [('Slicer_Name', '1', '1')]\n"
              "drawn [('Name', ('4', '9'))] 2 2\n"
              "timeline [('8', '1'), ('10', '7')]\n");
}

TEST_F(LostTableColumns, SlicersOverKeptColumnsStayAndMoveWithTheirCells) {
    data_->range("A:A").deleteCells();
    data_->range("1:1").deleteCells();
    std::string out = slicerSummary(save());
    EXPECT_NE(out.find("workbook caches ['rId3', 'rId4'] True\n"), std::string::npos) << out;
    EXPECT_NE(out.find("slicers [('Region', 'Slicer_Region'), ('Name', 'Slicer_Name')]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("drawn [('Region', ('4', '0')), ('Name', ('4', '8'))] 3 3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("timeline [('8', '0'), ('10', '6')]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("caches [('Slicer_Name', '1', '1')]\n"), std::string::npos) << out;
}

// The table goes with its header row: so do both slicers, and the lists that held only them; the
// timeline stays.
TEST_F(LostTableColumns, ATableThatGoesTakesAllItsSlicers) {
    data_->range("2:2").deleteCells();
    EXPECT_EQ(slicerSummary(save()),
              "parts []\n"
              "types []\n"
              "workbook caches [] False\n"
              "names []\n"
              "workbook rels []\n"
              "sheet slicers [] False\n"
              "sheet rels []\n"
              "slicers []\n"
              "caches []\n"
              "drawn [] 1 1\n"
              "timeline [('9', '1'), ('11', '6')]\n");
}

TEST_F(LostTableColumns, OtherTablesFormulasNamingTheColumnBecomeRef) {
    data_->range("C:C").deleteCells();
    EXPECT_EQ(summaryFormulas(save()),
              "[('totalsRowFormula', 'COUNTA(#REF!)'), ('calculatedColumnFormula', 'COUNTIF(Items[Name],[@Key])+Data!$C$5')]\n"
              "['COUNTIF(Items[Name],[@Key])+Data!$C$5', 'COUNTA(#REF!)']\n");
    data_->range("2:2").deleteCells();  // Items goes
    EXPECT_EQ(summaryFormulas(save()),
              "[('totalsRowFormula', 'COUNTA(#REF!)'), ('calculatedColumnFormula', 'COUNTIF(#REF!,[@Key])+Data!$C$4')]\n"
              "['COUNTIF(#REF!,[@Key])+Data!$C$4', 'COUNTA(#REF!)']\n");
}

// The sheet holding the table goes: the slicers over the table and every reference to it go too.
TEST_F(LostTableColumns, DeletingTheTablesSheetTakesItsSlicersAndReferences) {
    data_->deleteSheet();
    auto saved = save();
    EXPECT_EQ(slicerSummary(saved),
              "parts []\n"
              "types []\n"
              "workbook caches [] False\n"
              "names []\n"
              "workbook rels []\n"
              "sheet slicers [] False\n"
              "sheet rels []\n"
              "slicers []\n"
              "caches []\n"
              "drawn [] 0 0\n"
              "timeline []\n");
    EXPECT_EQ(summaryFormulas(saved),
              "[('totalsRowFormula', 'COUNTA(#REF!)'), ('calculatedColumnFormula', 'COUNTIF(#REF!,[@Key])+#REF!')]\n"
              "['COUNTIF(#REF!,[@Key])+#REF!', 'COUNTA(#REF!)']\n");
}

// openpyxl and LibreOffice read the package with a slicer removed (column C went) and with both
// kept (column A went), and LibreOffice still totals the table.
TEST_F(LostTableColumns, OtherReadersOpenThePackageAfterTheEdit) {
    struct Case {
        const char* deleted;
        const char* file;
        const char* tables;
        const char* csv;
    };
    for (const Case& edit : {Case{"C:C", "removed", "[('Items', 'B2:C5'), ('Summary', 'B2:C4')]\n",
                                  ",,\n,Name,Qty\n,a,4\n,b,5\n,c,7\n,,16\n"},
                             Case{"A:A", "kept", "[('Items', 'A2:C5'), ('Summary', 'B2:C4')]\n",
                                  ",,\nName,Region,Qty\na,North,4\nb,South,5\nc,North,7\n,,16\n"}}) {
        SetUp();
        data_->range(edit.deleted).deleteCells();
        auto saved = dir_.file(std::string(edit.file) + ".xlsx");
        book_->saveAs(saved.string());
        if (haveOpenpyxl()) {
            // openpyxl warns that it drops the extensions it does not know (the slicer lists).
            EXPECT_EQ(runPython("import warnings, openpyxl\nwarnings.simplefilter('ignore')\nwb = openpyxl.load_workbook(r'" +
                                saved.string() + "')\nprint([(t.name, t.ref) for ws in wb for t in ws.tables.values()])"),
                      edit.tables)
                << edit.deleted;
        }
        if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
        std::string log;
        ASSERT_EQ(convertWithLibreOffice(dir_.path(), saved, "csv", dir_.file("csv"), &log), 0) << log;
        std::string csv = runPython("import csv\nfor row in csv.reader(open(r'" + dir_.file("csv").string() + "/" + edit.file +
                                    ".csv')): print(','.join(row[:3]))");
        EXPECT_EQ(csv, edit.csv) << edit.deleted << log;
        ASSERT_EQ(convertWithLibreOffice(dir_.path(), saved, "xlsx", dir_.file("xlsx"), &log), 0) << log;
    }
}

// Reports of one cached template share the workbook part an earlier one saved only while theirs
// is made from the same XML: a report whose deleted column took a slicer cache out of it writes
// its own, and the reports around it keep both caches.
TEST(LostTableColumnsCached, AReportThatDroppedASlicerCacheWritesItsOwnWorkbookPart) {
    TempDir dir;
    writeZip(dir.file("sliced.xlsx"), slicedPackage());
    host::files::FileOptions options;
    options.templates = std::make_shared<host::xlsx::TemplateCache>();
    auto cached = host::files::newApplication(options);
    auto plain = host::files::newApplication();
    auto report = [&](host::Application& application, const std::string& name, bool deleteColumn) {
        auto book = application.open(dir.file("sliced.xlsx").string());
        if (deleteColumn) book->worksheets().front()->range("C:C").deleteCells();
        book->saveAs(dir.file(name).string());
        book->close();
        return slicerSummary(dir.file(name));
    };
    const std::string kept = report(*plain, "plain.xlsx", false);
    const std::string dropped = report(*plain, "plain-dropped.xlsx", true);
    ASSERT_NE(kept, dropped);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(report(*cached, "kept.xlsx", false), kept) << round;
        EXPECT_EQ(report(*cached, "dropped.xlsx", true), dropped) << round;
    }
    EXPECT_EQ(report(*cached, "kept-again.xlsx", false), kept);
    EXPECT_EQ(zipPartText(dir.file("kept-again.xlsx"), "xl/workbook.xml"), zipPartText(dir.file("plain.xlsx"), "xl/workbook.xml"));
    EXPECT_EQ(zipPartText(dir.file("dropped.xlsx"), "xl/workbook.xml"),
              zipPartText(dir.file("plain-dropped.xlsx"), "xl/workbook.xml"));
}

}  // namespace
}  // namespace tavlora::test
