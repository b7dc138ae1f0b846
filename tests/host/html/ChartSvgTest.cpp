#include <fstream>
#include <pugixml.hpp>
#include <sstream>

#include "support/ChartTestSupport.h"
#include "host/html/ChartSvg.h"

namespace tavlora::host::test {
namespace {

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

size_t occurrences(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

// Every <text> of the drawing, in order.
std::vector<std::string> texts(const std::string& svg) {
    std::vector<std::string> out;
    for (size_t at = svg.find("<text "); at != std::string::npos; at = svg.find("<text ", at + 1)) {
        size_t open = svg.find('>', at) + 1;
        out.push_back(svg.substr(open, svg.find("</text>", open) - open));
    }
    return out;
}

bool hasText(const std::string& svg, const std::string& text) {
    auto all = texts(svg);
    return std::find(all.begin(), all.end(), text) != all.end();
}

class ChartDrawings : public ChartFixture {
protected:
    std::shared_ptr<Chart> salesChart(int32_t type) {
        auto chart = addEmbedded(data)->chart();
        chart->setChartType(type);
        chart->setSourceData(data->range("A1:C4"), plotby::kColumns);
        return chart;
    }
    std::string svg(const std::shared_ptr<Chart>& chart) { return html::chartSvg(model(chart), 480, 300); }
    // Well-formed XML: what a browser's SVG parser insists on.
    static void expectWellFormed(const std::string& svg) {
        pugi::xml_document document;
        auto result = document.load_string(svg.c_str());
        EXPECT_TRUE(result) << result.description() << "\n" << svg;
        EXPECT_STREQ(document.document_element().name(), "svg");
    }
};

TEST_F(ChartDrawings, ColumnsWithLegendTitleAndLabels) {
    auto chart = salesChart(51);
    chart->setHasTitle(true);
    chart->setTitleText("Sales & cost");
    chart->applyDataLabels(2, false);
    std::string drawing = svg(chart);
    expectWellFormed(drawing);
    EXPECT_TRUE(contains(drawing, "width=\"480\" height=\"300\""));
    EXPECT_TRUE(hasText(drawing, "Sales &amp; cost"));
    // Legend entries name the series; categories stand under the columns.
    EXPECT_TRUE(hasText(drawing, "Sales") && hasText(drawing, "Cost"));
    EXPECT_TRUE(hasText(drawing, "Jan") && hasText(drawing, "Mar"));
    // Six columns in two colours, each with its value as label.
    EXPECT_EQ(occurrences(drawing, "fill=\"#4472C4\" stroke=\"none\"/>"), 3u + 1u);  // columns and legend key
    EXPECT_EQ(occurrences(drawing, "fill=\"#ED7D31\" stroke=\"none\"/>"), 3u + 1u);
    for (const char* value : {"10", "20", "30", "4", "5", "6"}) EXPECT_TRUE(hasText(drawing, value)) << value;
    // The value axis runs in even steps from zero past the largest value.
    EXPECT_TRUE(hasText(drawing, "0") && hasText(drawing, "35"));
}

TEST_F(ChartDrawings, TallerValuesMakeTallerColumns) {
    std::string drawing = svg(salesChart(51));
    // The first series's columns, in category order: their heights grow with 10, 20, 30.
    std::vector<double> heights;
    for (size_t at = drawing.find("<rect "); at != std::string::npos; at = drawing.find("<rect ", at + 1)) {
        std::string element = drawing.substr(at, drawing.find("/>", at) - at);
        if (!contains(element, "fill=\"#4472C4\"")) continue;
        size_t h = element.find("height=\"") + 8;
        heights.push_back(std::stod(element.substr(h)));
    }
    ASSERT_EQ(heights.size(), 4u);  // the legend key comes first
    EXPECT_LT(heights[1], heights[2]);
    EXPECT_NEAR(heights[3] / heights[1], 3.0, 0.05);
}

TEST_F(ChartDrawings, LinesPiesAreasScatterAndRadar) {
    std::string line = svg(salesChart(65));
    EXPECT_EQ(occurrences(line, "<polyline "), 2u);
    EXPECT_EQ(occurrences(line, "<circle "), 6u);  // markers
    EXPECT_EQ(occurrences(svg(salesChart(4)), "<circle "), 0u);

    auto pieChart = salesChart(5);
    pieChart->applyDataLabels(3, false);
    std::string pie = svg(pieChart);
    expectWellFormed(pie);
    EXPECT_EQ(occurrences(pie, "<path "), 3u);  // one slice per category of the first series
    EXPECT_TRUE(hasText(pie, "16.7%") && hasText(pie, "33.3%") && hasText(pie, "50%"));
    EXPECT_TRUE(hasText(pie, "Jan"));  // the legend names the slices
    EXPECT_FALSE(hasText(pie, "Cost"));
    EXPECT_EQ(occurrences(svg(salesChart(-4120)), " A"), 3u * 2u);  // a doughnut slice has two arcs

    EXPECT_EQ(occurrences(svg(salesChart(76)), "<polygon "), 2u);
    EXPECT_EQ(occurrences(svg(salesChart(-4169)), "<circle "), 6u);
    EXPECT_EQ(occurrences(svg(salesChart(74)), "<polyline "), 2u);
    std::string radar = svg(salesChart(82));
    EXPECT_GE(occurrences(radar, "<polygon "), 2u);
    EXPECT_TRUE(hasText(radar, "Feb"));
}

TEST_F(ChartDrawings, DataTableAndStackedShares) {
    auto chart = salesChart(53);
    chart->setHasDataTable(true);
    std::string drawing = svg(chart);
    EXPECT_TRUE(hasText(drawing, "100%"));  // a 100 % chart's axis
    // The table repeats every value under its category.
    for (const char* value : {"10", "20", "30", "4", "5", "6"}) EXPECT_TRUE(hasText(drawing, value)) << value;
    EXPECT_TRUE(hasText(drawing, "Sales"));
}

TEST_F(ChartDrawings, TextIsEscapedAndEmptyChartsDraw) {
    auto chart = addEmbedded(data)->chart();
    auto s = chart->seriesCollection().newSeries();
    s->setName("<script>alert(\"x\")</script> & 'q'");
    s->setValues("={1,2}");
    s->setXValues(com::Variant::array({com::Variant(std::string("a<b")), com::Variant(std::string("c\x01"))}));
    chart->setHasTitle(true);
    chart->setTitleText("T</svg><b>");
    std::string drawing = svg(chart);
    expectWellFormed(drawing);
    EXPECT_FALSE(contains(drawing, "<script>"));
    EXPECT_FALSE(contains(drawing, "</svg><b>"));
    EXPECT_TRUE(hasText(drawing, "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;"));
    EXPECT_TRUE(hasText(drawing, "a&lt;b"));
    EXPECT_TRUE(hasText(drawing, "c\xEF\xBF\xBD"));  // a control character shows as U+FFFD

    auto empty = addEmbedded(data)->chart();
    expectWellFormed(svg(empty));
    empty->setChartType(5);
    expectWellFormed(svg(empty));
}

TEST_F(ChartDrawings, TheWebPageDrawsChartSheetsAndEmbeddedCharts) {
    auto sheet = book->addChartSheet();
    sheet->chart()->setSourceData(data->range("A1:C4"), plotby::kColumns);
    auto pie = salesChart(5);
    pie->setHasTitle(true);
    pie->setTitleText("Share");
    auto page = temp.file("page.htm");
    book->saveAs(page.string(), 44);
    std::ifstream in(page);
    std::stringstream content;
    content << in.rdbuf();
    std::string html = content.str();
    EXPECT_EQ(occurrences(html, "<svg "), 2u);
    size_t chartSheet = html.find(">Chart1</h2>"), dataSheet = html.find(">Data</h2>");
    ASSERT_NE(chartSheet, std::string::npos);
    ASSERT_NE(dataSheet, std::string::npos);
    EXPECT_GT(html.find("<svg "), chartSheet);
    EXPECT_LT(html.find("<svg "), dataSheet);
    // The embedded chart follows the data sheet's cells, at the object's size (360 x 210 points).
    size_t table = html.find("</table>", dataSheet);
    size_t second = html.find("<svg ", dataSheet);
    EXPECT_GT(second, table);
    EXPECT_TRUE(contains(html.substr(second, 200), "width=\"480\" height=\"280\""));
    EXPECT_TRUE(contains(html, ">Share</text>"));
}

}  // namespace
}  // namespace tavlora::host::test
