// Charts drawn into a real report file, saved, and read back by our reader and by openpyxl.
#include <gtest/gtest.h>

#include "report/chart/CExcelChartTestSupport.h"
#include "host/files/NewApplication.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "support/TestPaths.h"

namespace tavlora::chart {
namespace {

namespace fs = std::filesystem;
using com::Variant;
using tavlora::test::runPython;
using tavlora::test::TempDir;
using test::seriesNames;
using test::texts;

// Data: the month table; Report: a placeholder title; Old: a chart sheet with one series of its
// own; Unused: a sheet no filler registers.
fs::path createTemplate(const TempDir& dir) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto data = workbook->worksheets().front();
    data->setName("Data");
    const char* header[] = {"", "Sales", "Cost"};
    const char* months[] = {"Jan", "Feb", "Mar"};
    for (int c = 1; c <= 2; ++c) data->cell(1, c + 1).setValue(Variant(header[c]));
    for (int r = 0; r < 3; ++r) {
        data->cell(r + 2, 1).setValue(Variant(months[r]));
        data->cell(r + 2, 2).setValue(Variant(double(r + 1)));
        data->cell(r + 2, 3).setValue(Variant(double(r + 4)));
    }
    auto report = workbook->addWorksheet(nullptr, data.get());
    report->setName("Report");
    report->range("A1").setValue(Variant("%Title%"));
    auto old = workbook->addChartSheet(nullptr, report.get());
    old->setName("Old");
    old->chart()->seriesCollection().newSeries()->setValues(Variant("={9,9}"));
    workbook->addWorksheet(nullptr, old.get())->setName("Unused");
    auto path = dir.file("template.xlsx");
    workbook->saveAs(path.string());
    application->quit();
    return path;
}

// openpyxl's view: sheets, and every chart with its type, title, legend, labels and series
// (name, values, categories as formulas or literal points).
const char* kDescribeCharts = R"PY(
import re, sys, zipfile, openpyxl
path = sys.argv[1] if len(sys.argv) > 1 else PATH
wb = openpyxl.load_workbook(path)
print('worksheets', [ws.title for ws in wb.worksheets])
print('chartsheets', [cs.title for cs in wb.chartsheets])
def source(x):
    if x is None:
        return None
    for ref in ('strRef', 'numRef'):
        r = getattr(x, ref, None)
        if r is not None:
            return r.f
    for lit in ('numLit', 'strLit'):
        l = getattr(x, lit, None)
        if l is not None:
            return [p.v for p in l.pt]
    return 'other'
def name(tx):
    if tx is None:
        return None
    return tx.strRef.f if tx.strRef is not None else tx.v
def title(t):
    if t is None or t.tx is None or t.tx.rich is None:
        return None
    return ''.join(r.t for p in t.tx.rich.p for r in (p.r or []))
def describe(owner, charts):
    for ch in charts:
        labels = [bool(s.dLbls is not None and (s.dLbls.showVal or s.dLbls.showPercent)) for s in ch.series]
        print(owner, type(ch).__name__, 'title', title(ch.title), 'legend', ch.legend is not None, 'labels', labels)
        for s in ch.series:
            print('   ', name(s.tx), source(s.val), source(s.cat))
for ws in wb.worksheets:
    describe(ws.title, ws._charts)
for cs in wb.chartsheets:
    describe(cs.title, cs._charts)
# Names of the embedded chart objects; chart sheets' drawings hold one absolute anchor instead.
z = zipfile.ZipFile(path)
names = []
for n in sorted(z.namelist()):
    if n.startswith('xl/drawings/drawing') and n.endswith('.xml'):
        text = z.read(n).decode()
        if 'absoluteAnchor' not in text:
            names += re.findall(r'<xdr:cNvPr id="\d+" name="([^"]*)"', text)
print('objects', names)
print('A1', repr(wb['Report']['A1'].value))
)PY";

class SavedChartReport : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tavlora::test::haveOpenpyxl()) GTEST_SKIP() << "openpyxl not installed";
        target_ = dir_.file("report.xlsx");
        ASSERT_TRUE(job_->DoCopy(createTemplate(dir_).string(), target_.string()));
        ASSERT_TRUE(job_->DoBegin(target_.string()));
        chart_->setCurBatObj(job_);
        // The data sheet is some other filler's; it keeps the sheet for the references.
        job_->DoAddSheet("Data");
    }

    std::string describeSaved() {
        return runPython(std::string("PATH = r'") + target_.string() + "'\n" + kDescribeCharts);
    }

    void holdSalesAndCost() {
        chart_->oSetSeriesCount(2);
        chart_->oSetSeriesName(0, "Sales");
        chart_->oSetSeriesName(1, "Cost");
        chart_->oSetSeriesValue_Data(0, 3, Variant::array({Variant(1.0), Variant(2.0), Variant(3.0)}));
        chart_->oSetSeriesValue_Data(1, 3, Variant::array({Variant(4.0), Variant(5.0), Variant(6.0)}));
        chart_->oSetGroupCount(3);
        chart_->oSetGroupName(0, "Jan");
        chart_->oSetGroupName(1, "Feb");
        chart_->oSetGroupName(2, "Mar");
    }

    TempDir dir_;
    fs::path target_;
    std::shared_ptr<printjob::CExcelBatDo> job_ = printjob::CExcelBatDo::create();
    std::shared_ptr<CExcelChart> chart_ = CExcelChart::create();
};

TEST_F(SavedChartReport, WorkedExampleAsAnEmbeddedChart) {
    holdSalesAndCost();
    ASSERT_TRUE(chart_->DoA_Chart("Report", 0, "C1"));
    EXPECT_EQ(chart_->seriesValues()[0], Variant("={1,2,3}"));
    chart_->DoA_SetStyle(2);
    chart_->DoA_SetTitle("Sales and cost");
    EXPECT_EQ(chart_->DoA_ReplaceWhiteDot("Title", "First quarter", "Report"), 1);
    ASSERT_TRUE(job_->DoEnd());

    EXPECT_EQ(describeSaved(),
              "worksheets ['Data', 'Report']\n"
              "chartsheets []\n"
              "Report BarChart title Sales and cost legend True labels [True, True]\n"
              "    Sales [1.0, 2.0, 3.0] ['Jan', 'Feb', 'Mar']\n"
              "    Cost [4.0, 5.0, 6.0] ['Jan', 'Feb', 'Mar']\n"
              "objects ['C1']\n"
              "A1 'First quarter'\n");

    auto application = host::files::newApplication();
    auto reopened = application->open(target_.string());
    ASSERT_EQ(reopened->sheets().size(), 2u) << "Old and Unused were never registered";
    auto report = reopened->worksheets()[1];
    ASSERT_EQ(report->chartObjects().size(), 1u);
    auto object = report->chartObjects().front();
    EXPECT_EQ(object->name(), "C1");
    auto chart = object->chart();
    EXPECT_EQ(chart->chartType(), host::charttype::kColumnClustered);
    EXPECT_EQ(seriesNames(*chart), (std::vector<std::string>{"Sales", "Cost"}));
    EXPECT_EQ(texts(chart->seriesCollection().item(2)->values()), (std::vector<std::string>{"4", "5", "6"}));
    EXPECT_EQ(texts(chart->seriesCollection().item(1)->xValues()).at(0), "Jan");
    EXPECT_EQ(chart->titleText(), "Sales and cost");
    application->quit();
}

TEST_F(SavedChartReport, ChartsFromRangesReferencesChartSheetsAndPies) {
    // A block split by columns, embedded on Report, as a line chart.
    ASSERT_TRUE(chart_->DoA_ChartFromRange_SetData("Data", 1, 1, 4, 3));
    ASSERT_TRUE(chart_->DoA_ChartFromRange("Report", true, host::charttype::kLine, "ByColumns"));
    // The same block by rows on a new chart sheet.
    ASSERT_TRUE(chart_->DoA_ChartFromRange_SetData1("Data", "A1", "C4"));
    ASSERT_TRUE(chart_->DoA_ChartFromRange("Rows", false));
    chart_->DoA_SetStyle(-4142, false, false);
    // Referenced series on the template's chart sheet, which loses its own series; as a pie the
    // chart keeps the first series only.
    chart_->oSetRange_Sheet("Data");
    chart_->oSetSeriesCount(2);
    chart_->oSetSeriesName_Range1(0, "B1", "");
    chart_->oSetSeriesValue_Range1(0, "B2", "B4", "");
    chart_->oSetSeriesName_Range(1, 1, 3, "");
    chart_->oSetSeriesValue_Range(1, 2, 3, 4, 3, "");
    chart_->oSetGroupCount(3);
    for (int16_t i = 0; i < 3; ++i) chart_->oSetGroupName_Range(i, i + 2, 1, "");
    ASSERT_TRUE(chart_->DoA_Chart("old", host::charttype::kPie));
    chart_->DoA_SetStyle(3, true);
    chart_->DoA_SetTitle("Sales share");
    ASSERT_TRUE(job_->DoEnd());

    EXPECT_EQ(describeSaved(),
              "worksheets ['Data', 'Report']\n"
              "chartsheets ['Old', 'Rows']\n"
              "Report LineChart title None legend True labels [False, False]\n"
              "    Data!$B$1 Data!$B$2:$B$4 Data!$A$2:$A$4\n"
              "    Data!$C$1 Data!$C$2:$C$4 Data!$A$2:$A$4\n"
              "Old PieChart title Sales share legend True labels [True]\n"
              "    Data!$B$1 Data!$B$2:$B$4 (Data!$A$2,Data!$A$3,Data!$A$4)\n"
              "Rows BarChart title None legend False labels [False, False, False]\n"
              "    Data!$A$2 Data!$B$2:$C$2 Data!$B$1:$C$1\n"
              "    Data!$A$3 Data!$B$3:$C$3 Data!$B$1:$C$1\n"
              "    Data!$A$4 Data!$B$4:$C$4 Data!$B$1:$C$1\n"
              "objects ['ByColumns']\n"
              "A1 '%Title%'\n");
}

}  // namespace
}  // namespace tavlora::chart
