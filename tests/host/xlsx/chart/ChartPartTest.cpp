#include "support/ChartTestSupport.h"
#include "host/xlsx/chart/ChartPartReader.h"
#include "host/xlsx/chart/ChartPartWriter.h"

namespace tavlora::host::test {
namespace {

std::string a1Of(const SeriesModel& s) { return s.valuesData().reference.a1(); }

size_t occurrences(const std::string& xml, const std::string& piece) {
    size_t n = 0;
    for (size_t at = xml.find(piece); at != std::string::npos; at = xml.find(piece, at + 1)) ++n;
    return n;
}

class ChartParts : public ChartFixture {
protected:
    std::shared_ptr<Chart> newChart() { return addEmbedded(data)->chart(); }
    std::string written(const std::shared_ptr<Chart>& chart, const std::string& original = "") {
        return xlsx::chartPartXml(model(chart), original);
    }
    // A chart read from `xml`, as a template chart would be.
    std::shared_ptr<EmbeddedChart> readChart(const std::string& xml) {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_string(xml.c_str()));
        auto object = addEmbedded(data);
        xlsx::readChartPart(document, *book, *object->model(), "xl/charts/chart1.xml");
        return object;
    }
};

TEST_F(ChartParts, ReferencesCarryTheCurrentCellValues) {
    auto chart = newChart();
    auto s = chart->seriesCollection().newSeries();
    s->setName("=Data!R1C2");
    s->setValues("=Data!R2C2:R5C2");  // B5 is empty: counted, not cached
    s->setXValues("=Data!R2C1:R4C1");
    put("B3", 21.5);
    std::string xml = written(chart);
    EXPECT_TRUE(contains(xml, "<c:tx><c:strRef><c:f>Data!$B$1</c:f><c:strCache><c:ptCount val=\"1\"/>"
                              "<c:pt idx=\"0\"><c:v>Sales</c:v></c:pt></c:strCache></c:strRef></c:tx>"));
    EXPECT_TRUE(contains(xml, "<c:cat><c:strRef><c:f>Data!$A$2:$A$4</c:f><c:strCache><c:ptCount val=\"3\"/>"
                              "<c:pt idx=\"0\"><c:v>Jan</c:v></c:pt>"));
    EXPECT_TRUE(contains(xml, "<c:val><c:numRef><c:f>Data!$B$2:$B$5</c:f><c:numCache><c:formatCode>General</c:formatCode>"
                              "<c:ptCount val=\"4\"/><c:pt idx=\"0\"><c:v>10</c:v></c:pt><c:pt idx=\"1\"><c:v>21.5</c:v>"
                              "</c:pt><c:pt idx=\"2\"><c:v>30</c:v></c:pt></c:numCache></c:numRef></c:val>"));
}

TEST_F(ChartParts, SheetNamesAreQuotedWhereNeeded) {
    auto sheet = book->addWorksheet();
    sheet->setName("Q1 'data' 24");
    sheet->range("A1").setValue(5.0);
    sheet->range("A2").setValue(std::string("x"));
    auto chart = newChart();
    auto s = chart->seriesCollection().newSeries();
    s->setValues("='Q1 ''data'' 24'!R1C1:R2C1");
    std::string xml = written(chart);
    EXPECT_TRUE(contains(xml, "<c:f>'Q1 ''data'' 24'!$A$1:$A$2</c:f>"));
    // A text among the values is counted but has no number to cache.
    EXPECT_TRUE(contains(xml, "<c:ptCount val=\"2\"/><c:pt idx=\"0\"><c:v>5</c:v></c:pt></c:numCache>"));
}

TEST_F(ChartParts, NumberCategoriesKeepTheirFormat) {
    put("E2", 45292.0);
    put("E3", 45323.0);
    data->range("E2:E3").setNumberFormatLocal("yyyy-mm-dd");
    auto chart = newChart();
    auto s = chart->seriesCollection().newSeries();
    s->setValues("={1,2}");
    s->setXValues("=Data!R2C5:R3C5");
    std::string xml = written(chart);
    EXPECT_TRUE(contains(xml, "<c:cat><c:numRef><c:f>Data!$E$2:$E$3</c:f><c:numCache><c:formatCode>yyyy-mm-dd</c:formatCode>"));
    // The category axis shows them in that format, linked to the cells.
    EXPECT_TRUE(contains(xml, "<c:numFmt formatCode=\"yyyy-mm-dd\" sourceLinked=\"1\"/>")) << xml;
    EXPECT_TRUE(contains(xml, "<c:v>45292</c:v>"));
}

TEST_F(ChartParts, LiteralsAndTextIsEscaped) {
    auto chart = newChart();
    auto s = chart->seriesCollection().newSeries();
    s->setName("A & B <c>");
    s->setValues("={1,2.5,3}");
    s->setXValues(com::Variant::array({com::Variant(std::string("Jan")), com::Variant(std::string("\"Q\" & <2>")),
                                       com::Variant(std::string(""))}));
    chart->setHasTitle(true);
    chart->setTitleText("Line one\nLine <two>\x01");
    std::string xml = written(chart);
    EXPECT_TRUE(contains(xml, "<c:tx><c:v>A &amp; B &lt;c&gt;</c:v></c:tx>"));
    EXPECT_TRUE(contains(xml, "<c:val><c:numLit><c:formatCode>General</c:formatCode><c:ptCount val=\"3\"/>"
                              "<c:pt idx=\"0\"><c:v>1</c:v></c:pt><c:pt idx=\"1\"><c:v>2.5</c:v></c:pt>"));
    // Three categories, the spare empty one counted but not cached.
    EXPECT_TRUE(contains(xml, "<c:cat><c:strLit><c:ptCount val=\"3\"/><c:pt idx=\"0\"><c:v>Jan</c:v></c:pt>"
                              "<c:pt idx=\"1\"><c:v>\"Q\" &amp; &lt;2&gt;</c:v></c:pt></c:strLit></c:cat>"));
    EXPECT_TRUE(contains(xml, "<a:t>Line one</a:t>"));
    EXPECT_TRUE(contains(xml, "<a:t>Line &lt;two&gt;</a:t>"));  // control characters dropped
    pugi::xml_document parsed;
    EXPECT_TRUE(parsed.load_string(xml.c_str()));
}

TEST_F(ChartParts, LegendDataTableLabelsAndTitle) {
    auto chart = newChart();
    for (int i = 0; i < 2; ++i) chart->seriesCollection().newSeries()->setValues("={1,2}");
    chart->setHasLegend(false);
    chart->setHasDataTable(true);
    chart->applyDataLabels(2, true);
    chart->setHasTitle(true);
    chart->setTitleText("Totals");
    std::string xml = written(chart);
    EXPECT_FALSE(contains(xml, "<c:legend>"));
    EXPECT_TRUE(contains(xml, "<c:dTable><c:showHorzBorder val=\"1\"/><c:showVertBorder val=\"1\"/>"
                              "<c:showOutline val=\"1\"/><c:showKeys val=\"1\"/></c:dTable></c:plotArea>"));
    EXPECT_EQ(occurrences(xml, "<c:dLbls><c:showLegendKey val=\"1\"/><c:showVal val=\"1\"/>"), 2u);
    EXPECT_TRUE(contains(xml, "<c:autoTitleDeleted val=\"0\"/>"));
    EXPECT_TRUE(contains(xml, "<c:title><c:tx><c:rich>"));

    chart->setHasLegend(true);
    chart->setHasDataTable(false);
    chart->setHasTitle(false);
    chart->applyDataLabels(-4142, false);
    xml = written(chart);
    EXPECT_TRUE(contains(xml, "<c:legend><c:legendPos val=\"r\"/>"));
    EXPECT_FALSE(contains(xml, "<c:dTable>"));
    EXPECT_FALSE(contains(xml, "<c:title>"));
    EXPECT_TRUE(contains(xml, "<c:autoTitleDeleted val=\"1\"/>"));
    EXPECT_FALSE(contains(xml, "<c:showVal val=\"1\"/>"));

    chart->setHasDataTable(true);
    chart->setChartType(5);  // a pie has no data table to show
    EXPECT_FALSE(contains(written(chart), "<c:dTable>"));
}

// A template chart: formatted, with a second group (a combination chart) and an extension.
const std::string kTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
    "<c:chart><c:title><c:tx><c:rich><a:bodyPr rot=\"0\"/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"1800\"/></a:pPr>"
    "<a:r><a:rPr lang=\"de-DE\" b=\"1\"/><a:t>Old</a:t></a:r></a:p></c:rich></c:tx><c:overlay val=\"0\"/></c:title>"
    "<c:autoTitleDeleted val=\"0\"/><c:plotArea><c:layout/>"
    "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>"
    "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:tx><c:v>Kept</c:v></c:tx>"
    "<c:spPr><a:solidFill><a:srgbClr val=\"123456\"/></a:solidFill></c:spPr><c:invertIfNegative val=\"0\"/>"
    "<c:val><c:numRef><c:f>Data!$B$2:$B$4</c:f><c:numCache><c:ptCount val=\"3\"/></c:numCache></c:numRef></c:val>"
    "<c:extLst><c:ext uri=\"{X}\"/></c:extLst></c:ser>"
    "<c:gapWidth val=\"80\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
    "<c:lineChart><c:grouping val=\"standard\"/><c:varyColors val=\"0\"/>"
    "<c:ser><c:idx val=\"1\"/><c:order val=\"1\"/><c:tx><c:v>Trend</c:v></c:tx><c:marker><c:symbol val=\"none\"/></c:marker>"
    "<c:val><c:numRef><c:f>[1]Elsewhere!$C$2:$C$4</c:f><c:numCache><c:formatCode>General</c:formatCode>"
    "<c:ptCount val=\"3\"/><c:pt idx=\"0\"><c:v>7</c:v></c:pt></c:numCache></c:numRef></c:val></c:ser>"
    "<c:marker val=\"1\"/><c:axId val=\"3\"/><c:axId val=\"4\"/></c:lineChart>"
    "<c:catAx><c:axId val=\"1\"/><c:crossAx val=\"2\"/></c:catAx><c:valAx><c:axId val=\"2\"/><c:crossAx val=\"1\"/></c:valAx>"
    "<c:catAx><c:axId val=\"3\"/><c:crossAx val=\"4\"/></c:catAx><c:valAx><c:axId val=\"4\"/><c:crossAx val=\"3\"/></c:valAx>"
    "<c:spPr><a:noFill/></c:spPr></c:plotArea>"
    "<c:legend><c:legendPos val=\"b\"/></c:legend><c:plotVisOnly val=\"1\"/></c:chart>"
    "<c:spPr><a:solidFill><a:srgbClr val=\"FAFAFA\"/></a:solidFill></c:spPr></c:chartSpace>";

TEST_F(ChartParts, TemplateChartsReadIntoTheModel) {
    auto object = readChart(kTemplate);
    ChartModel& chart = *object->model();
    EXPECT_FALSE(chart.isModified());
    EXPECT_EQ(chart.partName(), "xl/charts/chart1.xml");
    EXPECT_EQ(chart.chartType(), 51);  // the first group's type
    ASSERT_EQ(chart.count(), 2);
    EXPECT_EQ(series(chart, 1).name().asString(), "Kept");
    EXPECT_EQ(a1Of(series(chart, 1)), "Data!$B$2:$B$4");
    EXPECT_EQ(series(chart, 2).keptGroup(), 1);
    // Another workbook's cells: kept as read, with the values the part cached.
    EXPECT_EQ(series(chart, 2).valuesData().kind, SeriesData::Kind::Kept);
    auto values = series(chart, 2).values().asArray()->items;
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].asDouble(), 7);
    EXPECT_TRUE(chart.hasTitle());
    EXPECT_EQ(chart.titleText(), "Old");
    EXPECT_TRUE(chart.hasLegend());
    EXPECT_FALSE(chart.hasDataTable());
}

TEST_F(ChartParts, RestylingKeepsWhatTheTemplateHad) {
    auto object = readChart(kTemplate);
    auto chart = object->chart();
    chart->setTitleText("New title");
    chart->setHasDataTable(true);
    std::string xml = written(chart, kTemplate);
    EXPECT_TRUE(contains(xml, "<a:bodyPr rot=\"0\"/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"1800\"/></a:pPr>"
                              "<a:r><a:rPr lang=\"de-DE\" b=\"1\"/><a:t>New title</a:t></a:r></a:p>"));
    EXPECT_TRUE(contains(xml, "<a:srgbClr val=\"123456\"/>"));    // the series's fill
    EXPECT_TRUE(contains(xml, "<c:ext uri=\"{X}\"/>"));            // its extension
    EXPECT_TRUE(contains(xml, "<c:f>[1]Elsewhere!$C$2:$C$4</c:f>"));  // the kept source
    EXPECT_TRUE(contains(xml, "<c:legendPos val=\"b\"/>"));
    EXPECT_TRUE(contains(xml, "<a:srgbClr val=\"FAFAFA\"/>"));
    EXPECT_TRUE(contains(xml, "<c:gapWidth val=\"80\"/>"));
    // The data table goes between the axes and the plot area's fill.
    EXPECT_TRUE(contains(xml, "</c:valAx><c:dTable>"));
    EXPECT_TRUE(contains(xml, "</c:dTable><c:spPr><a:noFill/></c:spPr></c:plotArea>"));
    // The kept cache is refreshed from the cells.
    EXPECT_TRUE(contains(xml, "<c:f>Data!$B$2:$B$4</c:f><c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"3\"/>"
                              "<c:pt idx=\"0\"><c:v>10</c:v></c:pt>"));
}

TEST_F(ChartParts, NewSeriesReplaceTheTemplatesAndEmptyGroupsGo) {
    auto object = readChart(kTemplate);
    auto chart = object->chart();
    while (chart->seriesCollection().count() > 0) chart->seriesCollection().item(1)->deleteSeries();
    auto s = chart->seriesCollection().newSeries();
    s->setValues("=Data!R2C3:R4C3");
    s->setName("Fresh");
    std::string xml = written(chart, kTemplate);
    EXPECT_EQ(occurrences(xml, "<c:ser>"), 1u);
    EXPECT_TRUE(contains(xml, "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>"
                              "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:tx><c:v>Fresh</c:v></c:tx>"));
    EXPECT_FALSE(contains(xml, "<c:lineChart>"));
    // The axes of the group that went go with it; the bar group's stay.
    EXPECT_TRUE(contains(xml, "<c:axId val=\"1\"/><c:crossAx val=\"2\"/>"));
    EXPECT_FALSE(contains(xml, "<c:axId val=\"3\"/>"));
    EXPECT_FALSE(contains(xml, "Kept"));
}

// A clustered column chart whose axes the template dressed: titles, a fixed maximum, minor
// gridlines, an own number format; its series has a fill of its own.
const std::string kDressedColumns =
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart><c:plotArea><c:layout/>"
    "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>"
    "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:spPr><a:solidFill><a:srgbClr val=\"ABCDEF\"/></a:solidFill></c:spPr>"
    "<c:val><c:numRef><c:f>Data!$B$2:$B$4</c:f></c:numRef></c:val></c:ser>"
    "<c:gapWidth val=\"80\"/><c:axId val=\"11\"/><c:axId val=\"12\"/></c:barChart>"
    "<c:catAx><c:axId val=\"11\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:delete val=\"0\"/>"
    "<c:axPos val=\"b\"/><c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>Month</a:t></a:r></a:p></c:rich></c:tx></c:title>"
    "<c:numFmt formatCode=\"General\" sourceLinked=\"1\"/><c:crossAx val=\"12\"/></c:catAx>"
    "<c:valAx><c:axId val=\"12\"/><c:scaling><c:orientation val=\"minMax\"/><c:max val=\"100\"/></c:scaling>"
    "<c:delete val=\"0\"/><c:axPos val=\"l\"/><c:minorGridlines/>"
    "<c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>Amount</a:t></a:r></a:p></c:rich></c:tx></c:title>"
    "<c:numFmt formatCode=\"#,##0\" sourceLinked=\"0\"/><c:crossAx val=\"11\"/><c:crossBetween val=\"between\"/></c:valAx>"
    "</c:plotArea></c:chart></c:chartSpace>";

// The two axes of a written part and the ids the group names.
struct Axes {
    std::string categoryId, categoryCross, categoryPosition, valueId, valueCross, valuePosition, groupIds;
};

Axes axesOf(const std::string& xml) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(xml.c_str()));
    auto attribute = [&](const char* path) { return std::string(document.select_node(path).node().attribute("val").value()); };
    Axes axes{attribute("//c:catAx/c:axId"), attribute("//c:catAx/c:crossAx"), attribute("//c:catAx/c:axPos"),
              attribute("//c:valAx/c:axId"), attribute("//c:valAx/c:crossAx"), attribute("//c:valAx/c:axPos"), ""};
    for (auto id : document.select_nodes("//c:plotArea/*[c:ser]/c:axId")) axes.groupIds += std::string(id.node().attribute("val").value()) + " ";
    return axes;
}

TEST_F(ChartParts, ANewTypeOfTheSameFamilyKeepsTheAxesAndTheSeriesLook) {
    auto chart = readChart(kDressedColumns)->chart();
    chart->setChartType(52);  // stacked columns
    std::string xml = written(chart, kDressedColumns);
    EXPECT_TRUE(contains(xml, "<c:grouping val=\"stacked\"/>"));
    EXPECT_TRUE(contains(xml, "<c:overlap val=\"100\"/>"));
    for (const char* kept : {"<a:t>Month</a:t>", "<a:t>Amount</a:t>", "<c:max val=\"100\"/>", "<c:minorGridlines/>",
                             "<c:numFmt formatCode=\"#,##0\" sourceLinked=\"0\"/>", "<a:srgbClr val=\"ABCDEF\"/>"})
        EXPECT_TRUE(contains(xml, kept)) << kept << "\n" << xml;
    Axes axes = axesOf(xml);
    EXPECT_EQ(axes.groupIds, axes.categoryId + " " + axes.valueId + " ");
    EXPECT_EQ(axes.categoryCross, axes.valueId);
    EXPECT_EQ(axes.valueCross, axes.categoryId);
    EXPECT_EQ(readChart(xml)->model()->chartType(), 52);

    chart->setChartType(57);  // bars: the axes turn
    axes = axesOf(written(chart, kDressedColumns));
    EXPECT_EQ(axes.categoryPosition, "l");
    EXPECT_EQ(axes.valuePosition, "b");
}

TEST_F(ChartParts, LinesKeepTheAxesAndGainMarkersWhenTheTypeAsks) {
    auto chart = readChart(kDressedColumns)->chart();
    chart->setChartType(4);  // a line: another kind, so the series is drawn anew; the axes fit
    std::string line = written(chart, kDressedColumns);
    EXPECT_TRUE(contains(line, "<a:t>Amount</a:t>"));
    EXPECT_FALSE(contains(line, "ABCDEF"));
    EXPECT_TRUE(contains(line, "<c:symbol val=\"none\"/>"));

    auto marked = readChart(line)->chart();
    marked->setChartType(65);
    std::string xml = written(marked, line);
    EXPECT_TRUE(contains(xml, "<c:symbol val=\"circle\"/>")) << xml;
    EXPECT_FALSE(contains(xml, "<c:symbol val=\"none\"/>"));
    EXPECT_TRUE(contains(xml, "<a:t>Month</a:t>"));
    EXPECT_EQ(readChart(xml)->model()->chartType(), 65);
}

TEST_F(ChartParts, ANewTypeRebuildsTheGroupsAndAxes) {
    auto object = readChart(kTemplate);
    auto chart = object->chart();
    chart->setChartType(-4102);
    std::string xml = written(chart, kTemplate);
    EXPECT_TRUE(contains(xml, "<c:pie3DChart><c:varyColors val=\"1\"/>"));
    EXPECT_FALSE(contains(xml, "<c:barChart>") || contains(xml, "<c:lineChart>"));
    EXPECT_FALSE(contains(xml, "<c:catAx>") || contains(xml, "<c:valAx>"));
    EXPECT_TRUE(contains(xml, "<c:view3D><c:rotX val=\"30\"/>"));
    EXPECT_EQ(occurrences(xml, "<c:ser>"), 2u);  // a pie keeps every series; it shows the first
    EXPECT_TRUE(contains(xml, "<c:title><c:tx><c:rich>"));  // the title was not touched
    // Read back, it is the type that was set.
    EXPECT_EQ(readChart(xml)->model()->chartType(), -4102);
}

TEST_F(ChartParts, ReadingAndWritingAgreeOnEverything) {
    auto chart = newChart();
    chart->setChartType(65);
    auto s = chart->seriesCollection().newSeries();
    s->setName("=Data!R1C3");
    s->setValues("=Data!R2C3:R4C3");
    s->setXValues("=(Data!R2C1,Data!R3C1,Data!R4C1)");
    chart->seriesCollection().newSeries()->setValues("={3,2,1}");
    chart->applyDataLabels(4, false);
    chart->setHasTitle(true);
    chart->setTitleText("Two\nlines");
    chart->setHasDataTable(true);
    chart->setHasLegend(false);
    auto back = readChart(written(chart));
    ChartModel& m = *back->model();
    EXPECT_EQ(m.chartType(), 65);
    ASSERT_EQ(m.count(), 2);
    EXPECT_EQ(a1Of(series(m, 1)), "Data!$C$2:$C$4");
    EXPECT_EQ(series(m, 1).nameData().reference.a1(), "Data!$C$1");
    EXPECT_EQ(series(m, 1).xValuesData().reference.a1(), "(Data!$A$2,Data!$A$3,Data!$A$4)");
    EXPECT_EQ(series(m, 2).valuesData().kind, SeriesData::Kind::Literal);
    EXPECT_TRUE(series(m, 2).labels().category);
    EXPECT_EQ(m.titleText(), "Two\nlines");
    EXPECT_TRUE(m.hasDataTable());
    EXPECT_FALSE(m.hasLegend());
}

TEST_F(ChartParts, APartThatIsNoChartIsRefused) {
    auto chart = newChart();
    expectHostError([&] { written(chart, "<worksheet/>"); }, "holds no chart");
    expectHostError([&] { written(chart, "<c:chartSpace"); }, "cannot be read");
}

}  // namespace
}  // namespace tavlora::host::test
