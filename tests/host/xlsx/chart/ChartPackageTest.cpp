#include <cstdlib>
#include <fstream>

#include "support/ChartTestSupport.h"
#include "host/files/NewApplication.h"

namespace tavlora::host::test {
namespace {

using tavlora::test::fixture;
using tavlora::test::runPython;

// The charts the model found: a chart sheet's (when read from a part) and every chart object.
size_t modelledCharts(const Workbook& book) {
    size_t n = 0;
    for (const auto& sheet : book.sheets()) {
        if (sheet->kind() == SheetKind::ChartSheet) {
            const auto& model = static_cast<const ChartSheet&>(*sheet).chartModel();
            n += model && !model->partName().empty() ? 1 : 0;
        } else {
            n += static_cast<const Worksheet&>(*sheet).chartObjects().size();
        }
    }
    return n;
}

std::shared_ptr<EmbeddedChart> objectNamed(const Worksheet& sheet, const std::string& name) {
    for (const auto& object : sheet.chartObjects())
        if (object->name() == name) return std::static_pointer_cast<EmbeddedChart>(object);
    return nullptr;
}

// Python that loads a saved file with openpyxl and prints what a test compares.
const char* kOpenpyxlPrelude =
    "import warnings, zipfile, json, sys\n"
    "warnings.simplefilter('ignore')\n"
    "import openpyxl\n"
    "def charts_of(ws):\n"
    "    return list(getattr(ws, '_charts', []))\n"
    "def title_of(c):\n"
    "    t = c.title\n"
    "    if t is None or t.tx is None or t.tx.rich is None: return None\n"
    "    return ''.join(r.t for p in t.tx.rich.p for r in (p.r or []))\n"
    "def ref_of(d):\n"
    "    if d is None: return None\n"
    "    for kind in ('numRef', 'strRef'):\n"
    "        r = getattr(d, kind, None)\n"
    "        if r is not None: return r.f\n"
    "    return 'literal'\n"
    "def count_of(d):\n"
    "    if d is None: return None\n"
    "    for kind, cache in (('numRef', 'numCache'), ('strRef', 'strCache')):\n"
    "        r = getattr(d, kind, None)\n"
    "        if r is not None: return getattr(r, cache).ptCount\n"
    "    for kind in ('numLit', 'strLit'):\n"
    "        r = getattr(d, kind, None)\n"
    "        if r is not None: return r.ptCount\n"
    "    return None\n";

class ChartPackages : public ChartFixture {
protected:
    std::string openpyxl(const std::string& body) { return runPython(std::string(kOpenpyxlPrelude) + body); }
};

// ---------------------------------------------------------------------------------------------

TEST_F(ChartPackages, EveryTemplateChartSurvivesOpenAndSave) {
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    std::string listing = runPython(
        "import json\nd=json.load(open(r'" + fixture("facts.json").string() +
        "'))\nfor f, v in sorted(d['files'].items()):\n"
        "    n = sum(s.get('charts', 0) for s in v.get('sheets', []))\n"
        "    if n: print(f, n)\n");
    std::istringstream lines(listing);
    std::string name;
    size_t expected = 0, files = 0;
    while (lines >> name >> expected) {
        SCOPED_TRACE(name);
        ++files;
        auto opener = files::newApplication();
        auto workbook = opener->open(fixture(name).string());
        EXPECT_EQ(modelledCharts(*workbook), expected);
        auto saved = temp.file("saved-" + name);
        workbook->saveAs(saved.string());
        opener->quit();
        // openpyxl sees the charts of every sheet as the facts list them; each chart and drawing
        // part nothing changed is the original's byte for byte (relationship parts are written
        // anew by the package, with the same relationships).
        std::string report = openpyxl(
            "d=json.load(open(r'" + fixture("facts.json").string() + "'))['files']['" + name + "']\n"
            "wb=openpyxl.load_workbook(r'" + saved.string() + "')\n"
            "sheets=wb.worksheets+wb.chartsheets\n"
            "by={s.title: len(charts_of(s)) for s in sheets}\n"
            "want={n: s.get('charts', 0) for n, s in zip(d['sheet_names'], d['sheets'])}\n"
            "print('counts', 'same' if by==want else (by, want))\n"
            "a=zipfile.ZipFile(r'" + fixture(name).string() + "'); b=zipfile.ZipFile(r'" + saved.string() + "')\n"
            "import xml.etree.ElementTree as ET\n"
            "def rels(z, n):\n"
            "    return sorted((r.get('Id'), r.get('Type'), r.get('Target')) for r in ET.fromstring(z.read(n)))\n"
            "parts=[n for n in a.namelist() if n.startswith('xl/charts/') or n.startswith('xl/drawings/')]\n"
            "changed=[n for n in parts if n not in b.namelist() or\n"
            "         (rels(a, n)!=rels(b, n) if n.endswith('.rels') else a.read(n)!=b.read(n))]\n"
            "print('changed', changed)\n");
        EXPECT_TRUE(contains(report, "counts same")) << report;
        EXPECT_TRUE(contains(report, "changed []")) << report;
    }
    EXPECT_GE(files, 10u);
}

TEST_F(ChartPackages, ATemplateChartSheetIsFoundRestyledAndGivenNewSeries) {
    auto template_ = app->open(fixture("excel_chartsheet_bar_labels.xlsx").string());
    std::shared_ptr<ChartSheet> sheet;
    for (const auto& candidate : template_->chartSheets())
        if (candidate->name() == "Chart1") sheet = candidate;
    ASSERT_TRUE(sheet);
    auto chart = sheet->chart();
    EXPECT_EQ(chart->chartType(), 51);
    ASSERT_EQ(chart->seriesCollection().count(), 3);
    EXPECT_EQ(chart->seriesCollection().item(1)->name().asString(), "Bears");
    EXPECT_EQ(chart->titleText(), "Wildlife Population");
    EXPECT_FALSE(series(*chart, 1).labels().any());  // the template's group turns labels off

    for (int32_t n = chart->seriesCollection().count(); n > 0; --n) chart->seriesCollection().item(n)->deleteSeries();
    auto s = chart->seriesCollection().newSeries();
    s->setName("=Sheet1!R1C3");
    s->setValues("=Sheet1!R2C3:R7C3");
    s->setXValues("=Sheet1!R2C1:R7C1");
    auto t = chart->seriesCollection().newSeries();
    t->setName("Estimate");
    t->setValues("={5,6,7,8,9,10}");
    chart->setChartType(58);
    chart->setTitleText("Population, stacked");
    chart->applyDataLabels(-4142, false);
    auto path = temp.file("reused.xlsx");
    template_->saveAs(path.string());

    std::string part = zipPart(path, "xl/charts/chart1.xml");
    EXPECT_TRUE(contains(part, "sz=\"1400\""));  // the title keeps the template's look
    EXPECT_TRUE(contains(part, "<a:t>Population, stacked</a:t>"));
    EXPECT_TRUE(contains(part, "<c:grouping val=\"stacked\"/>"));
    EXPECT_FALSE(contains(part, "Bears"));
    if (!tavlora::test::haveOpenpyxl()) return;
    std::string report = openpyxl(
        "wb=openpyxl.load_workbook(r'" + path.string() + "')\n"
        "c=charts_of(wb.chartsheets[0])[0]\n"
        "print(type(c).__name__, c.type, c.grouping, title_of(c))\n"
        "for s in c.series: print(ref_of(s.val), ref_of(s.cat), count_of(s.val))\n"
        "z=zipfile.ZipFile(r'" + path.string() + "'); print('style' if 'xl/charts/style1.xml' in z.namelist() else 'no style')\n");
    EXPECT_TRUE(contains(report, "BarChart bar stacked Population, stacked")) << report;
    EXPECT_TRUE(contains(report, "Sheet1!$C$2:$C$7 Sheet1!$A$2:$A$7 6")) << report;
    EXPECT_TRUE(contains(report, "literal None 6")) << report;
    EXPECT_TRUE(contains(report, "\nstyle")) << report;
}

TEST_F(ChartPackages, ANamedTemplateChartObjectIsReusedAndTheOthersStayAsTheyWere) {
    auto template_ = app->open(fixture("excel_charts_bar_line_pie_3sheets.xlsx").string());
    auto sheet = template_->worksheets().front();
    ASSERT_EQ(sheet->chartObjects().size(), 2u);
    auto object = objectNamed(*sheet, "Chart 2");
    ASSERT_TRUE(object);
    int32_t before = object->chart()->chartType();
    EXPECT_TRUE(before == 5 || before == 51) << before;
    object->chart()->setChartType(65);
    for (int32_t n = object->chart()->seriesCollection().count(); n > 0; --n)
        object->chart()->seriesCollection().item(n)->deleteSeries();
    auto s = object->chart()->seriesCollection().newSeries();
    s->setValues("=Sheet1!R1C1:R5C1");
    object->chart()->setHasTitle(true);
    object->chart()->setTitleText("Reused");
    auto path = temp.file("reused-object.xlsx");
    template_->saveAs(path.string());
    if (!tavlora::test::haveOpenpyxl()) return;
    std::string report = openpyxl(
        "wb=openpyxl.load_workbook(r'" + path.string() + "')\n"
        "print(sorted(type(c).__name__ + ':' + str(title_of(c)) for c in charts_of(wb.worksheets[0])))\n"
        "a=zipfile.ZipFile(r'" + fixture("excel_charts_bar_line_pie_3sheets.xlsx").string() + "'); b=zipfile.ZipFile(r'" +
        path.string() + "')\n"
        "print('unchanged', len([n for n in a.namelist() if n.startswith('xl/charts/chart') and a.read(n)==b.read(n)]))\n");
    EXPECT_TRUE(contains(report, "LineChart:Reused")) << report;
    EXPECT_TRUE(contains(report, "unchanged 3")) << report;  // three of the four charts were not touched
}

// ---------------------------------------------------------------------------------------------
// A report with a chart sheet and two embedded charts of different types.

class ChartReport : public ChartPackages {
protected:
    void build() {
        auto sheet = book->addChartSheet();
        sheet->setName("Sales chart");
        auto chart = sheet->chart();
        for (int column : {2, 3}) {
            auto s = chart->seriesCollection().newSeries();
            s->setName("=Data!R1C" + std::to_string(column));
            s->setValues("=Data!R2C" + std::to_string(column) + ":R4C" + std::to_string(column));
            s->setXValues("=(Data!R2C1,Data!R3C1,Data!R4C1)");
        }
        chart->setHasLegend(true);
        chart->setHasDataTable(true);
        chart->applyDataLabels(2, false);
        chart->setHasTitle(true);
        chart->setTitleText("Sales and cost");

        auto trend = addEmbedded(data, 220, 10, 320, 200)->chart();
        trend->setChartType(65);
        auto a = trend->seriesCollection().newSeries();
        a->setName("Plan");
        a->setValues("={12,18,26,31}");
        a->setXValues(com::Variant::array({com::Variant(std::string("Q1")), com::Variant(std::string("Q2")),
                                           com::Variant(std::string("Q3")), com::Variant(std::string("Q4"))}));
        auto b = trend->seriesCollection().newSeries();
        b->setName("Actual");
        b->setValues("={10,20,30,28.5}");
        trend->setHasTitle(true);
        trend->setTitleText("Plan & actual");

        auto share = addEmbedded(data, 220, 230, 320, 200);
        share->setName("Share");
        share->chart()->setChartType(5);
        auto c = share->chart()->seriesCollection().newSeries();
        c->setName("=Data!R1C2");
        c->setValues("=Data!R2C2:R4C2");
        c->setXValues("=Data!R2C1:R4C1");
        share->chart()->applyDataLabels(3, true);
        share->chart()->setHasTitle(true);
        share->chart()->setTitleText("Share of sales");
    }
};

TEST_F(ChartReport, OpenpyxlReadsTypesReferencesTitlesAndPoints) {
    build();
    auto path = temp.file("report.xlsx");
    book->saveAs(path.string());
    if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl is not installed";
    std::string report = openpyxl(
        "wb=openpyxl.load_workbook(r'" + path.string() + "')\n"
        "print('sheets', wb.sheetnames)\n"
        "for ws in wb.chartsheets + wb.worksheets:\n"
        "    for c in charts_of(ws):\n"
        "        print('chart', ws.title, type(c).__name__, repr(title_of(c)), c.legend is not None)\n"
        "        for s in c.series:\n"
        "            print('  series', s.tx.strRef.f if s.tx and s.tx.strRef else (s.tx.v if s.tx else None),\n"
        "                  ref_of(s.val), count_of(s.val), ref_of(s.cat), count_of(s.cat),\n"
        "                  bool(s.dLbls and (s.dLbls.showVal or s.dLbls.showPercent)))\n");
    EXPECT_TRUE(contains(report, "sheets ['Sales chart', 'Data']")) << report;
    EXPECT_TRUE(contains(report, "chart Sales chart BarChart 'Sales and cost' True")) << report;
    EXPECT_TRUE(contains(report, "  series Data!$B$1 Data!$B$2:$B$4 3 (Data!$A$2,Data!$A$3,Data!$A$4) 3 True")) << report;
    EXPECT_TRUE(contains(report, "  series Data!$C$1 Data!$C$2:$C$4 3 (Data!$A$2,Data!$A$3,Data!$A$4) 3 True")) << report;
    EXPECT_TRUE(contains(report, "chart Data LineChart 'Plan & actual' True")) << report;
    EXPECT_TRUE(contains(report, "  series Plan literal 4 literal 4 False")) << report;
    EXPECT_TRUE(contains(report, "  series Actual literal 4 None None False")) << report;
    EXPECT_TRUE(contains(report, "chart Data PieChart 'Share of sales' True")) << report;
    EXPECT_TRUE(contains(report, "  series Data!$B$1 Data!$B$2:$B$4 3 Data!$A$2:$A$4 3 True")) << report;
    // openpyxl does not hand the data table over; the chart sheet's part has it.
    EXPECT_TRUE(contains(zipPart(path, "xl/charts/chart1.xml"), "<c:dTable>"));
}

TEST_F(ChartReport, ReopenedTheModelIsTheSameAndASecondSaveChangesNoChart) {
    build();
    auto reopened = saveAndReopen("report.xlsx");
    auto sheet = reopened->chartSheets().front();
    auto chart = sheet->chart();
    EXPECT_EQ(chart->chartType(), 51);
    ASSERT_EQ(chart->seriesCollection().count(), 2);
    EXPECT_EQ(series(*chart, 2).valuesData().reference.a1(), "Data!$C$2:$C$4");
    EXPECT_EQ(series(*chart, 2).name().asString(), "Cost");
    EXPECT_TRUE(chart->hasDataTable());
    EXPECT_EQ(chart->titleText(), "Sales and cost");
    auto objects = reopened->worksheets().front()->chartObjects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->chart()->chartType(), 65);
    EXPECT_EQ(objects[1]->name(), "Share");
    EXPECT_EQ(objects[1]->chart()->chartType(), 5);
    EXPECT_TRUE(series(*objects[1]->chart(), 1).labels().percent);
    auto first = temp.file("report.xlsx");
    auto second = temp.file("again.xlsx");
    reopened->saveAs(second.string());
    for (const char* part : {"xl/charts/chart1.xml", "xl/charts/chart2.xml", "xl/charts/chart3.xml",
                             "xl/drawings/drawing1.xml", "xl/drawings/drawing2.xml"})
        EXPECT_EQ(zipPart(first, part), zipPart(second, part)) << part;
}

TEST_F(ChartReport, LibreOfficeReadsAndRendersIt) {
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "LibreOffice is not installed";
    build();
    auto path = temp.file("report.xlsx");
    book->saveAs(path.string());
    std::string command = "cd '" + temp.path().string() +
                          "' && timeout 300 soffice --headless -env:UserInstallation=file:///tmp/lo-charts "
                          "--convert-to pdf report.xlsx >lo.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto pdf = temp.file("report.pdf");
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 10000u);
    // What LibreOffice read, as it writes it back out: types, titles, references and points.
    std::filesystem::create_directory(temp.file("lo"));
    command = "cd '" + temp.path().string() +
              "' && timeout 300 soffice --headless -env:UserInstallation=file:///tmp/lo-charts "
              "--convert-to xlsx --outdir lo report.xlsx >lo.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    if (tavlora::test::haveOpenpyxl()) {
        std::string report = openpyxl(
            "wb=openpyxl.load_workbook(r'" + temp.file("lo").string() + "/report.xlsx')\n"
            "for ws in wb.worksheets + wb.chartsheets:\n"
            "    for c in charts_of(ws):\n"
            "        print(type(c).__name__, repr(title_of(c)), [(ref_of(s.val), count_of(s.val)) for s in c.series])\n");
        EXPECT_TRUE(contains(report, "BarChart 'Sales and cost' [('Data!$B$2:$B$4', 3), ('Data!$C$2:$C$4', 3)]")) << report;
        EXPECT_TRUE(contains(report, "LineChart 'Plan & actual'")) << report;
        EXPECT_TRUE(contains(report, "PieChart 'Share of sales' [('Data!$B$2:$B$4', 3)]")) << report;
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 3) << report;
    }
    // Kept for looking at: TAVLORA_KEEP_CHART_PDF names a folder to copy it (and the file) to.
    if (const char* keep = std::getenv("TAVLORA_KEEP_CHART_PDF")) {
        for (const auto& file : {pdf, path})
            std::filesystem::copy_file(file, std::filesystem::path(keep) / file.filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    }
}

// ---------------------------------------------------------------------------------------------

TEST_F(ChartPackages, DeletingASheetDropsItsChartParts) {
    auto template_ = app->open(fixture("excel_charts_bar_line_pie_3sheets.xlsx").string());
    template_->worksheets()[1]->deleteSheet();  // holds one chart
    auto path = temp.file("deleted.xlsx");
    template_->saveAs(path.string());
    std::string listing = runPython("import zipfile\nprint(sorted(n for n in zipfile.ZipFile(r'" + path.string() +
                                    "').namelist() if n.startswith('xl/charts/chart') or n.startswith('xl/drawings/d')))\n");
    EXPECT_TRUE(contains(listing, "xl/charts/chart1.xml")) << listing;
    EXPECT_FALSE(contains(listing, "xl/charts/chart3.xml")) << listing;  // Sheet2's chart
    EXPECT_FALSE(contains(listing, "xl/drawings/drawing2.xml")) << listing;
    std::string types = zipPart(path, "[Content_Types].xml");
    EXPECT_FALSE(contains(types, "/xl/charts/chart3.xml")) << types;

    // A template chart sheet deleted takes its sheet, drawing and chart parts with it.
    auto withChartSheet = app->open(fixture("excel_chartsheet_bar_labels.xlsx").string());
    withChartSheet->chartSheets().front()->deleteSheet();
    auto noChartSheet = temp.file("no-chart-sheet.xlsx");
    withChartSheet->saveAs(noChartSheet.string());
    listing = runPython("import zipfile\nprint(sorted(n for n in zipfile.ZipFile(r'" + noChartSheet.string() +
                        "').namelist() if n.startswith('xl/chart') or n.startswith('xl/drawings/')))\n");
    EXPECT_TRUE(contains(listing, "[]")) << listing;

    // A new chart on a sheet deleted before the save is not written at all.
    auto sheet = book->addWorksheet();
    sheet->addChartObject(0, 0, 100, 100)->chart()->seriesCollection().newSeries()->setValues("={1}");
    sheet->deleteSheet();
    auto empty = temp.file("none.xlsx");
    book->saveAs(empty.string());
    EXPECT_EQ(zipPart(empty, "xl/charts/chart1.xml"), "");
}

TEST_F(ChartPackages, DeletedRowsReachTheSavedReferencesAndAnchors) {
    auto object = addEmbedded(data, 0, 90, 200, 100);  // from row 7 (index 6)
    auto s = object->chart()->seriesCollection().newSeries();
    s->setValues("=Data!R2C2:R4C2");
    s->setXValues("=Data!R2C1:R4C1");
    auto reopened = saveAndReopen("before.xlsx");
    auto sheet = reopened->worksheets().front();
    sheet->range("2:2").deleteCells();
    auto path = temp.file("after.xlsx");
    reopened->saveAs(path.string());
    std::string chart = zipPart(path, "xl/charts/chart1.xml");
    EXPECT_TRUE(contains(chart, "<c:f>Data!$B$2:$B$3</c:f>")) << chart;
    EXPECT_TRUE(contains(chart, "<c:f>Data!$A$2:$A$3</c:f>")) << chart;
    EXPECT_TRUE(contains(chart, "<c:ptCount val=\"2\"/><c:pt idx=\"0\"><c:v>20</c:v>")) << chart;
    std::string drawing = zipPart(path, "xl/drawings/drawing1.xml");
    EXPECT_TRUE(contains(drawing, "<xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>5</xdr:row>")) << drawing;
}

TEST_F(ChartPackages, NewChartsJoinATemplateSheetsDrawingOrGiveASheetOne) {
    auto template_ = app->open(fixture("excel_chart_pie_labels.xlsx").string());
    auto sheet = template_->worksheets().front();
    ASSERT_EQ(sheet->chartObjects().size(), 1u);
    auto added = sheet->addChartObject(10, 10, 200, 150);
    EXPECT_EQ(added->name(), "Chart 2");  // the template's object is "Chart 1"
    added->chart()->seriesCollection().newSeries()->setValues("={1,2,3}");
    auto plain = app->open(fixture("excel_styles_merges_heights.xlsx").string());
    auto plainSheet = plain->worksheets().front();
    plainSheet->addChartObject(10, 10, 200, 150)->chart()->seriesCollection().newSeries()->setValues("={4,5}");
    auto first = temp.file("joined.xlsx");
    auto second = temp.file("own.xlsx");
    template_->saveAs(first.string());
    plain->saveAs(second.string());
    if (!tavlora::test::haveOpenpyxl()) return;
    std::string report = openpyxl(
        "for p in (r'" + first.string() + "', r'" + second.string() + "'):\n"
        "    wb=openpyxl.load_workbook(p)\n"
        "    print([type(c).__name__ for c in charts_of(wb.worksheets[0])])\n");
    EXPECT_TRUE(contains(report, "['PieChart', 'BarChart']")) << report;
    EXPECT_TRUE(contains(report, "\n['BarChart']")) << report;
    // The template chart kept its part as it was.
    std::string listing = runPython("import zipfile\na=zipfile.ZipFile(r'" + fixture("excel_chart_pie_labels.xlsx").string() +
                                    "');b=zipfile.ZipFile(r'" + first.string() +
                                    "')\nprint(a.read('xl/charts/chart1.xml')==b.read('xl/charts/chart1.xml'))\n");
    EXPECT_TRUE(contains(listing, "True")) << listing;
}

TEST_F(ChartPackages, AStrictPackageGetsChartsInItsOwnNamespaces) {
    auto strict = app->open(fixture("excel_strict_sheet_visibility.xlsx").string());
    auto sheet = strict->worksheets().front();
    sheet->range("A1").setValue(3.0);
    sheet->range("A2").setValue(4.0);
    auto chart = sheet->addChartObject(50, 50, 300, 200)->chart();
    chart->seriesCollection().newSeries()->setValues("=Visible!R1C1:R2C1");
    strict->addChartSheet()->chart()->seriesCollection().newSeries()->setValues("={1,2}");
    auto path = temp.file("strict.xlsx");
    strict->saveAs(path.string());
    for (const char* part : {"xl/charts/chart1.xml", "xl/drawings/drawing1.xml", "xl/charts/chart2.xml"}) {
        std::string xml = zipPart(path, part);
        EXPECT_TRUE(contains(xml, "http://purl.oclc.org/ooxml/drawingml/")) << part;
        EXPECT_FALSE(contains(xml, "http://schemas.openxmlformats.org/")) << part << "\n" << xml;
    }
    std::string sheetXml = zipPart(path, "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(contains(sheetXml, "<drawing xmlns:r=\"http://purl.oclc.org/ooxml/officeDocument/relationships\"")) << sheetXml;
    if (std::system("command -v soffice >/dev/null 2>&1") != 0 || !tavlora::test::haveOpenpyxl()) return;
    // LibreOffice reads the strict package's charts (and writes them back out transitional).
    std::filesystem::create_directory(temp.file("lo"));
    std::string command = "cd '" + temp.path().string() +
                          "' && timeout 300 soffice --headless -env:UserInstallation=file:///tmp/lo-charts "
                          "--convert-to xlsx --outdir lo strict.xlsx >lo.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string report = openpyxl("wb=openpyxl.load_workbook(r'" + temp.file("lo").string() + "/strict.xlsx')\n"
                                  "for ws in wb.worksheets: print(ws.title, [(type(c).__name__, [ref_of(s.val) for s in c.series]) for c in charts_of(ws)])\n");
    EXPECT_TRUE(contains(report, "Visible [('BarChart', ['Visible!$A$1:$A$2'])]")) << report;
}

}  // namespace
}  // namespace tavlora::host::test
