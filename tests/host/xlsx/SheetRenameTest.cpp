// A renamed sheet is named by its new name everywhere the package referred to it: validations,
// conditional formats and sparklines of every sheet (those of the extension lists too), table
// formulas, the formulas kept cell extras belong to, pivot cache sources, print titles and areas,
// chart series.
#include <gtest/gtest.h>

#include <cstdio>

#include "com/Variant.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

constexpr const char* kType = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

std::string text(const char* cell, const char* value) {
    return std::string("<c r=\"") + cell + "\" t=\"inlineStr\"><is><t>" + value + "</t></is></c>";
}

std::string number(const char* cell, int value) {
    return std::string("<c r=\"") + cell + "\"><v>" + std::to_string(value) + "</v></c>";
}

std::string worksheet(const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kSpreadsheetMain +
           R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)" + body + "</worksheet>";
}

// Sheets Summary, Data and "Data 2". Summary reads Data through a calculated total (with the
// calculation flag ca), a list validation (and one over "Data 2", which must stay), an x14 list
// validation, a conditional format, a sparkline, a table whose calculated column reads
// Data!$B$2, a shape showing a cell and a list box (its properties and its legacy shape). Data
// has print titles and a print area; a pivot cache reads A1:B4 of it.
PartList renamePackage() {
    PartList parts = minimalPackage();
    removePart(parts, "xl/sharedStrings.xml");
    const std::string over = "<Override PartName=\"/";
    replacePart(parts, "[Content_Types].xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
                R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
                R"(<Default Extension="xml" ContentType="application/xml"/>)" +
                    over + "xl/workbook.xml\" ContentType=\"" + kType + "sheet.main+xml\"/>" +
                    over + "xl/worksheets/sheet1.xml\" ContentType=\"" + kType + "worksheet+xml\"/>" +
                    over + "xl/worksheets/sheet2.xml\" ContentType=\"" + kType + "worksheet+xml\"/>" +
                    over + "xl/worksheets/sheet3.xml\" ContentType=\"" + kType + "worksheet+xml\"/>" +
                    over + "xl/styles.xml\" ContentType=\"" + kType + "styles+xml\"/>" +
                    over + "xl/tables/table1.xml\" ContentType=\"" + kType + "table+xml\"/>" +
                    over + "xl/pivotCache/pivotCacheDefinition1.xml\" ContentType=\"" + kType + "pivotCacheDefinition+xml\"/>" +
                    over + "xl/drawings/drawing1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>" +
                    over + "xl/ctrlProps/ctrlProp1.xml\" ContentType=\"application/vnd.ms-excel.controlproperties+xml\"/>" +
                    R"(<Default Extension="vml" ContentType="application/vnd.openxmlformats-officedocument.vmlDrawing"/>)"
                    "</Types>");
    replacePart(parts, "xl/workbook.xml",
                std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"") + kSpreadsheetMain +
                    R"(" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
                    R"(<sheet name="Summary" sheetId="1" r:id="rId1"/><sheet name="Data" sheetId="2" r:id="rId2"/>)"
                    R"(<sheet name="Data 2" sheetId="3" r:id="rId3"/></sheets><definedNames>)"
                    R"(<definedName name="_xlnm.Print_Area" localSheetId="1">Data!$A$1:$B$4</definedName>)"
                    R"(<definedName name="_xlnm.Print_Titles" localSheetId="1">Data!$1:$1</definedName></definedNames>)"
                    R"(<pivotCaches><pivotCache cacheId="1" r:id="rId5"/></pivotCaches></workbook>)");
    replacePart(parts, "xl/_rels/workbook.xml.rels",
                relationshipsPart(officeRelationship("rId1", "worksheet", "worksheets/sheet1.xml") +
                              officeRelationship("rId2", "worksheet", "worksheets/sheet2.xml") +
                              officeRelationship("rId3", "worksheet", "worksheets/sheet3.xml") +
                              officeRelationship("rId4", "styles", "styles.xml") +
                              officeRelationship("rId5", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml")));
    parts.emplace_back("xl/styles.xml",
                       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet xmlns=\"") + kSpreadsheetMain + R"(">)"
                       R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>)"
                       R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
                       R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
                       R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
                       R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
                       R"(<dxfs count="1"><dxf><fill><patternFill><bgColor rgb="FFFFC7CE"/></patternFill></fill></dxf></dxfs>)"
                       R"(</styleSheet>)");
    replacePart(
        parts, "xl/worksheets/sheet1.xml",
        worksheet(std::string("<sheetData><row r=\"1\"><c r=\"A1\"><f ca=\"1\">SUM(Data!B2:B4)</f><v>16</v></c>") + text("B1", "b") +
                  "</row><row r=\"2\">" + text("D2", "Key") + text("E2", "Twice") + "</row><row r=\"3\">" + text("D3", "a") +
                  R"(<c r="E3"><f>Data!$B$2*2</f><v>8</v></c></row></sheetData>)"
                  R"(<conditionalFormatting sqref="A1"><cfRule type="cellIs" dxfId="0" priority="1" operator="greaterThan">)"
                  R"(<formula>Data!$B$2</formula></cfRule></conditionalFormatting>)"
                  R"(<dataValidations count="2"><dataValidation type="list" allowBlank="1" sqref="B1"><formula1>Data!$A$2:$A$4</formula1>)"
                  R"(</dataValidation><dataValidation type="list" allowBlank="1" sqref="B2"><formula1>'Data 2'!$A$1:$A$2</formula1>)"
                  R"(</dataValidation></dataValidations><drawing r:id="rId2"/><legacyDrawing r:id="rId3"/>)"
                  R"(<tableParts count="1"><tablePart r:id="rId1"/></tableParts><extLst>)"
                  R"(<ext uri="{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
                  R"(<x14:dataValidations count="1" xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main">)"
                  R"(<x14:dataValidation type="list" allowBlank="1"><x14:formula1><xm:f>Data!$A$2:$A$4</xm:f></x14:formula1>)"
                  R"(<xm:sqref>B3</xm:sqref></x14:dataValidation></x14:dataValidations></ext>)"
                  R"(<ext uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}" xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main">)"
                  R"(<x14:sparklineGroups xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><x14:sparklineGroup>)"
                  R"(<x14:colorSeries rgb="FF376092"/><x14:sparklines><x14:sparkline><xm:f>Data!B2:B4</xm:f><xm:sqref>C1</xm:sqref>)"
                  R"(</x14:sparkline></x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext></extLst>)"));
    parts.emplace_back("xl/worksheets/_rels/sheet1.xml.rels",
                       relationshipsPart(officeRelationship("rId1", "table", "../tables/table1.xml") +
                                     officeRelationship("rId2", "drawing", "../drawings/drawing1.xml") +
                                     officeRelationship("rId3", "vmlDrawing", "../drawings/vmlDrawing1.vml") +
                                     officeRelationship("rId4", "ctrlProp", "../ctrlProps/ctrlProp1.xml")));
    // A shape showing Data!$A$2, and a list box over Data!$A$2:$A$4 whose choice goes to B1.
    parts.emplace_back(
        "xl/drawings/drawing1.xml",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" )"
        R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><xdr:oneCellAnchor><xdr:from><xdr:col>6</xdr:col>)"
        R"(<xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx="952500" cy="381000"/>)"
        R"(<xdr:sp macro="" textlink="Data!$A$2"><xdr:nvSpPr><xdr:cNvPr id="2" name="Shown"/><xdr:cNvSpPr/></xdr:nvSpPr>)"
        R"(<xdr:spPr><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr></xdr:sp><xdr:clientData/></xdr:oneCellAnchor></xdr:wsDr>)");
    parts.emplace_back("xl/drawings/vmlDrawing1.vml",
                       R"(<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" )"
                       R"(xmlns:x="urn:schemas-microsoft-com:office:excel"><v:shape id="_x0000_s1025" type="#_x0000_t201">)"
                       R"(<x:ClientData ObjectType="List"><x:Anchor>8, 0, 1, 0, 10, 0, 5, 0</x:Anchor>)"
                       R"(<x:FmlaLink>$B$1</x:FmlaLink><x:FmlaRange>Data!$A$2:$A$4</x:FmlaRange></x:ClientData></v:shape></xml>)");
    parts.emplace_back("xl/ctrlProps/ctrlProp1.xml",
                       R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                       R"(<formControlPr xmlns="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" objectType="List" )"
                       R"(fmlaLink="$B$1" fmlaRange="Data!$A$2:$A$4" sel="0"/>)");
    parts.emplace_back("xl/tables/table1.xml",
                       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><table xmlns=\"") + kSpreadsheetMain +
                           R"(" id="1" name="Keys" displayName="Keys" ref="D2:E3"><autoFilter ref="D2:E3"/><tableColumns count="2">)"
                           R"(<tableColumn id="1" name="Key"/><tableColumn id="2" name="Twice"><calculatedColumnFormula>Data!$B$2*2)"
                           R"(</calculatedColumnFormula></tableColumn></tableColumns><tableStyleInfo name="TableStyleMedium9"/></table>)");
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       worksheet("<sheetData><row r=\"1\">" + text("A1", "Item") + text("B1", "Qty") + "</row><row r=\"2\">" +
                                 text("A2", "a") + number("B2", 4) + "</row><row r=\"3\">" + text("A3", "b") + number("B3", 5) +
                                 "</row><row r=\"4\">" + text("A4", "c") + number("B4", 7) + "</row></sheetData>"));
    parts.emplace_back("xl/worksheets/sheet3.xml",
                       worksheet("<sheetData><row r=\"1\">" + text("A1", "x") + "</row><row r=\"2\">" + text("A2", "y") +
                                 "</row></sheetData>"));
    parts.emplace_back("xl/pivotCache/pivotCacheDefinition1.xml",
                       std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><pivotCacheDefinition xmlns=\"") + kSpreadsheetMain +
                           R"(" refreshOnLoad="1"><cacheSource type="worksheet"><worksheetSource ref="A1:B4" sheet="Data"/>)"
                           R"(</cacheSource><cacheFields count="2"><cacheField name="Item"><sharedItems/></cacheField>)"
                           R"(<cacheField name="Qty"><sharedItems/></cacheField></cacheFields></pivotCacheDefinition>)");
    return parts;
}

// Every place of the saved package that names a sheet, as plain lines.
std::string sheetReferences(const std::filesystem::path& saved) {
    return runPython(R"py(
import re, zipfile
z = zipfile.ZipFile(r")py" + saved.string() + R"py(")
def part(name): return z.read(name).decode()
summary = part("xl/worksheets/sheet1.xml")
print("cells", re.findall(r'<c r="([A-Z]+[0-9]+)"[^>]*><f( ca="1")?>([^<]*)</f>', summary))
print("formulas", re.findall(r'<(formula1|formula|xm:f)>([^<]*)</', summary))
print("table", re.findall(r'<calculatedColumnFormula>([^<]*)<', part("xl/tables/table1.xml")))
print("pivot", re.findall(r'<worksheetSource [^>]*/>', part("xl/pivotCache/pivotCacheDefinition1.xml")))
print("names", re.findall(r'<definedName name="([^"]*)"[^>]*>([^<]*)<', part("xl/workbook.xml")))
print("links", re.findall(r'textlink="([^"]*)"', part("xl/drawings/drawing1.xml")),
      re.findall(r'<x:(Fmla[A-Za-z]*)>([^<]*)<', part("xl/drawings/vmlDrawing1.vml")),
      re.findall(r'(fmla[A-Za-z]*)="([^"]*)"', part("xl/ctrlProps/ctrlProp1.xml")))
)py");
}

class SheetRename : public ::testing::Test {
protected:
    void SetUp() override {
        writeZip(dir_.file("template.xlsx"), renamePackage());
        app_ = host::files::newApplication();
        book_ = app_->open(dir_.file("template.xlsx").string());
    }

    std::filesystem::path saveAs(const std::string& name) {
        auto path = dir_.file(name);
        book_->saveAs(path.string());
        return path;
    }

    TempDir dir_;
    std::shared_ptr<host::Application> app_;
    std::shared_ptr<host::Workbook> book_;
};

TEST_F(SheetRename, EveryReferenceNamesTheNewNameQuotedWhereNeeded) {
    EXPECT_EQ(sheetReferences(saveAs("unchanged.xlsx")),
              "cells [('A1', ' ca=\"1\"', 'SUM(Data!B2:B4)'), ('E3', '', 'Data!$B$2*2')]\n"
              "formulas [('formula', 'Data!$B$2'), ('formula1', 'Data!$A$2:$A$4'), ('formula1', \"'Data 2'!$A$1:$A$2\"), "
              "('xm:f', 'Data!$A$2:$A$4'), ('xm:f', 'Data!B2:B4')]\n"
              "table ['Data!$B$2*2']\n"
              "pivot ['<worksheetSource ref=\"A1:B4\" sheet=\"Data\"/>']\n"
              "names [('_xlnm.Print_Area', 'Data!$A$1:$B$4'), ('_xlnm.Print_Titles', 'Data!$1:$1')]\n"
              "links ['Data!$A$2'] [('FmlaLink', '$B$1'), ('FmlaRange', 'Data!$A$2:$A$4')] "
              "[('fmlaLink', '$B$1'), ('fmlaRange', 'Data!$A$2:$A$4')]\n");

    book_->worksheets()[1]->setName("My Data");
    EXPECT_EQ(sheetReferences(saveAs("renamed.xlsx")),
              "cells [('A1', ' ca=\"1\"', \"SUM('My Data'!B2:B4)\"), ('E3', '', \"'My Data'!$B$2*2\")]\n"
              "formulas [('formula', \"'My Data'!$B$2\"), ('formula1', \"'My Data'!$A$2:$A$4\"), ('formula1', \"'Data 2'!$A$1:$A$2\"), "
              "('xm:f', \"'My Data'!$A$2:$A$4\"), ('xm:f', \"'My Data'!B2:B4\")]\n"
              "table [\"'My Data'!$B$2*2\"]\n"
              "pivot ['<worksheetSource ref=\"A1:B4\" sheet=\"My Data\"/>']\n"
              "names [('_xlnm.Print_Area', \"'My Data'!$A$1:$B$4\"), ('_xlnm.Print_Titles', \"'My Data'!$1:$1\")]\n"
              "links [\"'My Data'!$A$2\"] [('FmlaLink', '$B$1'), ('FmlaRange', \"'My Data'!$A$2:$A$4\")] "
              "[('fmlaLink', '$B$1'), ('fmlaRange', \"'My Data'!$A$2:$A$4\")]\n");

    if (haveOpenpyxl()) {
        EXPECT_EQ(runPython(R"py(
import warnings, openpyxl
warnings.simplefilter("ignore")  # the sparklines and the list box it does not read
wb = openpyxl.load_workbook(r")py" + dir_.file("renamed.xlsx").string() + R"py(")
ws = wb["Summary"]
print(sorted((str(v.sqref), v.formula1) for v in ws.data_validations.dataValidation))
print([(str(f.sqref), [r.formula for r in f.rules]) for f in ws.conditional_formatting])
# openpyxl gives the print area and titles to the sheet their names point at
print(ws["A1"].value, wb["My Data"].print_area, wb["My Data"].print_title_rows)
)py"),
                  "[('B1', \"'My Data'!$A$2:$A$4\"), ('B2', \"'Data 2'!$A$1:$A$2\")]\n"
                  "[('A1', [[\"'My Data'!$B$2\"]])]\n"
                  "=SUM('My Data'!B2:B4) ['$A$1:$B$4'] $1:$1\n");
    }

    // A name that needs no quotes gets none; the sheet "Data 2" is another sheet and stays named.
    book_->worksheets()[1]->setName("Items");
    std::string out = sheetReferences(saveAs("again.xlsx"));
    EXPECT_NE(out.find("('formula1', 'Items!$A$2:$A$4'), ('formula1', \"'Data 2'!$A$1:$A$2\")"), std::string::npos) << out;
    EXPECT_NE(out.find("sheet=\"Items\""), std::string::npos) << out;
}

// Deleting the sheet gives #REF! where it was named; the calculation flag stays with the cell's
// rewritten formula, and the pivot cache keeps its source as written.
TEST_F(SheetRename, DeletingTheSheetGivesRefWhereItWasNamed) {
    book_->worksheets()[1]->deleteSheet();
    EXPECT_EQ(sheetReferences(saveAs("deleted.xlsx")),
              "cells [('A1', ' ca=\"1\"', 'SUM(#REF!)'), ('E3', '', '#REF!*2')]\n"
              "formulas [('formula', '#REF!'), ('formula1', '#REF!'), ('formula1', \"'Data 2'!$A$1:$A$2\"), "
              "('xm:f', '#REF!'), ('xm:f', '#REF!')]\n"
              "table ['#REF!*2']\n"
              "pivot ['<worksheetSource ref=\"A1:B4\" sheet=\"Data\"/>']\n"
              "names []\n"
              "links ['#REF!'] [('FmlaLink', '$B$1'), ('FmlaRange', '#REF!')] [('fmlaLink', '$B$1'), ('fmlaRange', '#REF!')]\n");
}

// The same edit moves the control links when cells of their sheets go: the list box's cell on
// its own sheet, its input range on Data.
TEST_F(SheetRename, ControlLinksFollowDeletedCellsToo) {
    book_->worksheets()[0]->range("A:A").deleteCells();
    book_->worksheets()[1]->range("1:1").deleteCells();
    std::string out = sheetReferences(saveAs("moved.xlsx"));
    EXPECT_NE(out.find("links ['Data!$A$1'] [('FmlaLink', '$A$1'), ('FmlaRange', 'Data!$A$1:$A$3')] "
                       "[('fmlaLink', '$A$1'), ('fmlaRange', 'Data!$A$1:$A$3')]\n"),
              std::string::npos)
        << out;
}

// LibreOffice opens the renamed report, computes it, and finds every validation, conditional
// format and sparkline over the renamed sheet (it would turn a reference to a sheet that is not
// there into #REF! or drop it).
TEST_F(SheetRename, LibreOfficeFollowsTheRenamedSheet) {
    if (runCommand("command -v soffice") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    book_->worksheets()[1]->setName("My Data");
    book_->worksheets()[1]->range("B2").setValue(com::Variant(10.0));
    auto saved = saveAs("renamed.xlsx");
    std::string log;
    ASSERT_EQ(convertWithLibreOffice(dir_.path(), saved, "csv", dir_.file("csv"), &log), 0) << log;
    EXPECT_EQ(runPython("import csv\nrows = list(csv.reader(open(r'" + dir_.file("csv/renamed.csv").string() +
                        "')))\nprint(rows[0][0], rows[2][4])"),
              "22 20\n");
    ASSERT_EQ(convertWithLibreOffice(dir_.path(), saved, "xlsx", dir_.file("xlsx"), &log), 0) << log;
    EXPECT_EQ(runPython(R"py(
import re, zipfile, openpyxl
path = r")py" + dir_.file("xlsx/renamed.xlsx").string() + R"py("
import html, warnings
warnings.simplefilter("ignore")  # openpyxl drops the sparklines it does not read
ws = openpyxl.load_workbook(path)["Summary"]
print(sorted((str(v.sqref), v.formula1) for v in ws.data_validations.dataValidation))
print([(str(f.sqref), [r.formula for r in f.rules]) for f in ws.conditional_formatting])
sheet = zipfile.ZipFile(path).read("xl/worksheets/sheet1.xml").decode()
print([html.unescape(f) for f in re.findall(r'<x14:sparkline><xm:f>([^<]*)</xm:f>', sheet)])
)py"),
              "[('B1', \"'My Data'!$A$2:$A$4\"), ('B2', \"'Data 2'!$A$1:$A$2\"), ('B3', \"'My Data'!$A$2:$A$4\")]\n"
              "[('A1', [[\"'My Data'!$B$2\"]])]\n"
              "[\"'My Data'!B2:B4\"]\n");
}

// Each fixture with every worksheet renamed: nothing in the saved package names an old name any
// more, except internal hyperlinks (the application leaves those as typed) and the document
// properties (a list of titles the application rewrites when it saves).
TEST(SheetRenameFixtures, NoPartNamesAnOldSheetName) {
    TempDir dir;
    for (const std::string& name : fixtureNames()) {
        SCOPED_TRACE(name);
        auto app = host::files::newApplication();
        auto book = app->open((std::filesystem::path(TAVLORA_FIXTURE_DIR) / name).string());
        std::string oldNames = "[";
        int n = 0;
        for (const auto& sheet : book->worksheets()) {
            std::string old = sheet->name();
            for (size_t quote = old.find('\''); quote != std::string::npos; quote = old.find('\'', quote + 2)) old.insert(quote, "\\");
            oldNames += "'" + old + "',";
            sheet->setName("Renamed " + std::to_string(++n));
        }
        oldNames += "]";
        auto saved = dir.file("renamed-" + name);
        book->saveAs(saved.string());
        app->quit();
        std::string counts = runPython(R"py(
import re, zipfile
hits = []
def count(path, names):
    z = zipfile.ZipFile(path)
    found = 0
    for part in z.namelist():
        if not part.endswith(".xml") or part.startswith("docProps/"): continue
        text = re.sub(r'\blocation="[^"]*"', '', z.read(part).decode("utf-8", "replace"))
        for name in names:
            quoted = re.escape(name.replace("'", "''"))
            for pattern in (r"(?:'%s'|(?<![\w.'\]])%s)!" % (quoted, re.escape(name)), r'<worksheetSource [^>]*sheet="%s"' % re.escape(name)):
                for m in re.finditer(pattern, text, re.I):
                    found += 1
                    hits.append(part + ": " + text[max(0, m.start() - 60):m.end() + 20])
    return found
old = )py" + oldNames + R"py(
new = ["Renamed %d" % (i + 1) for i in range(len(old))]
before = count(r")py" + (std::filesystem::path(TAVLORA_FIXTURE_DIR) / name).string() + R"py(", old)
hits = []
after = count(r")py" + saved.string() + R"py(", old)
left = list(hits)
print(before, after, count(r")py" + saved.string() + R"py(", new), left[:3])
)py");
        int before = -1, after = -1, renamed = -1;
        ASSERT_EQ(std::sscanf(counts.c_str(), "%d %d %d", &before, &after, &renamed), 3) << counts;
        EXPECT_EQ(after, 0) << counts;
        if (before > 0) {
            EXPECT_GT(renamed, 0) << counts;
        }
    }
}

}  // namespace
}  // namespace tavlora::test
