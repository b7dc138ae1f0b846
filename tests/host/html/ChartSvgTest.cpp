#include <cmath>
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

// The marks of one series (its group's content); "" when the drawing has no such group.
std::string seriesMarks(const std::string& svg, size_t series) {
    std::string open = "<g class=\"series\" data-series=\"" + std::to_string(series) + "\">";
    size_t at = svg.find(open);
    if (at == std::string::npos) return "";
    at += open.size();
    return svg.substr(at, svg.find("</g>", at) - at);
}

// A numeric attribute of the n-th element that starts with `element` ("<rect ").
double attributeOf(const std::string& svg, const std::string& element, size_t n, const std::string& name) {
    size_t at = svg.find(element);
    for (size_t i = 0; i < n && at != std::string::npos; ++i) at = svg.find(element, at + 1);
    if (at == std::string::npos) return std::nan("");
    size_t value = svg.find(" " + name + "=\"", at);
    return std::stod(svg.substr(value + name.size() + 3));
}

// The y of the <text> showing exactly `text`.
double textY(const std::string& svg, const std::string& text) {
    size_t end = svg.find(">" + text + "</text>");
    if (end == std::string::npos) return std::nan("");
    size_t start = svg.rfind("<text ", end);
    return std::stod(svg.substr(svg.find(" y=\"", start) + 4));
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
    // Six columns in two colours, each with its value as label and as tooltip.
    EXPECT_EQ(occurrences(seriesMarks(drawing, 0), "<rect "), 3u);
    EXPECT_EQ(occurrences(seriesMarks(drawing, 0), "fill=\"#4472C4\""), 3u);
    EXPECT_EQ(occurrences(seriesMarks(drawing, 1), "fill=\"#ED7D31\""), 3u);
    EXPECT_TRUE(contains(seriesMarks(drawing, 1), "<title>Cost, Feb: 5</title>"));
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
        if (!contains(element, "fill=\"#4472C4\"")) continue;  // the legend key and the first series
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
    // Shares as the application shows them: whole percents.
    EXPECT_TRUE(hasText(pie, "17%") && hasText(pie, "33%") && hasText(pie, "50%"));
    EXPECT_FALSE(hasText(pie, "16.7%"));
    EXPECT_TRUE(hasText(pie, "Jan"));  // the legend names the slices
    EXPECT_FALSE(hasText(pie, "Cost"));
    // A doughnut draws every series as a ring of its own, the first inside.
    std::string doughnut = svg(salesChart(-4120));
    EXPECT_EQ(occurrences(seriesMarks(doughnut, 0), "<path "), 3u);
    EXPECT_EQ(occurrences(seriesMarks(doughnut, 1), "<path "), 3u);
    EXPECT_EQ(occurrences(doughnut, " A"), 2u * 3u * 2u);  // a ring's slice has two arcs
    auto outerRadius = [](const std::string& marks) { return std::stod(marks.substr(marks.find(" A") + 2)); };
    EXPECT_LT(outerRadius(seriesMarks(doughnut, 0)), outerRadius(seriesMarks(doughnut, 1)));

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

TEST_F(ChartDrawings, BarsRunFromTheBottomUp) {
    std::string bars = svg(salesChart(57));
    // Category 1 lies lowest, and within a category the first series lies below the second.
    EXPECT_GT(textY(bars, "Jan"), textY(bars, "Feb"));
    EXPECT_GT(textY(bars, "Feb"), textY(bars, "Mar"));
    std::string sales = seriesMarks(bars, 0), cost = seriesMarks(bars, 1);
    EXPECT_GT(attributeOf(sales, "<rect ", 0, "y"), attributeOf(sales, "<rect ", 2, "y"));
    EXPECT_GT(attributeOf(sales, "<rect ", 0, "y"), attributeOf(cost, "<rect ", 0, "y"));
    // Columns keep category 1 on the left.
    std::string columns = svg(salesChart(51));
    EXPECT_LT(attributeOf(seriesMarks(columns, 0), "<rect ", 0, "x"), attributeOf(seriesMarks(columns, 0), "<rect ", 2, "x"));

    // A reversed axis turns both round: bars from the top, columns from the right.
    std::string topDown = html::chartSvg(model(salesChart(57)), 480, 300, true);
    EXPECT_LT(textY(topDown, "Jan"), textY(topDown, "Mar"));
    EXPECT_LT(attributeOf(seriesMarks(topDown, 0), "<rect ", 0, "y"), attributeOf(seriesMarks(topDown, 1), "<rect ", 0, "y"));
    std::string rightToLeft = html::chartSvg(model(salesChart(51)), 480, 300, true);
    EXPECT_GT(attributeOf(seriesMarks(rightToLeft, 0), "<rect ", 0, "x"),
              attributeOf(seriesMarks(rightToLeft, 0), "<rect ", 2, "x"));
}

TEST_F(ChartDrawings, LabelsAndAxesShowTheCellsNumberFormats) {
    data->range("B2:B4").setNumberFormatLocal("0.0%");
    put("B2", 0.125);
    put("B3", 0.25);
    put("B4", 0.5);
    auto chart = salesChart(51);
    chart->applyDataLabels(2, false);
    std::string drawing = svg(chart);
    EXPECT_TRUE(hasText(drawing, "12.5%") && hasText(drawing, "50.0%")) << drawing;
    EXPECT_FALSE(hasText(drawing, "0.125"));
    EXPECT_TRUE(hasText(drawing, "0.0%"));  // the value axis, in the first series's format
    EXPECT_TRUE(contains(seriesMarks(drawing, 0), "<title>Sales, Jan: 12.5%</title>"));
    // The other series keeps its own (General) format.
    EXPECT_TRUE(hasText(drawing, "4") && hasText(drawing, "6"));
}

TEST_F(ChartDrawings, PieLabelKeysStandOutFromTheirSlice) {
    auto chart = salesChart(5);
    chart->applyDataLabels(3, true);
    std::string drawing = svg(chart);
    std::string labels = drawing.substr(drawing.find("<g class=\"labels\">"));
    // Each key has the slice's colour and a white edge, so it shows on the slice it stands on.
    EXPECT_EQ(occurrences(labels, "<rect "), 3u);
    EXPECT_EQ(occurrences(labels, "fill=\"#4472C4\" stroke=\"#FFFFFF\""), 1u);
    EXPECT_EQ(occurrences(labels, "stroke=\"none\""), 0u);
}

// A long line: 12,000 points, flat but for one peak and one dip one point wide each.
class LongSeries : public ChartDrawings {
protected:
    std::shared_ptr<Chart> longLine(int32_t type) {
        auto chart = addEmbedded(data)->chart();
        chart->setChartType(type);
        std::string values = "={";
        for (int k = 0; k < kPoints; ++k) {
            if (k) values += ",";
            values += k == kPeak ? "1000" : k == kDip ? "-1000" : std::to_string(100 + k % 7);
        }
        auto s = chart->seriesCollection().newSeries();
        s->setValues(values + "}");
        return chart;
    }
    static constexpr int kPoints = 12000;
    static constexpr int kPeak = 7777;
    static constexpr int kDip = 3001;
};

TEST_F(LongSeries, IsDrawnWholeWithItsPeaksAtPixelResolution) {
    std::string drawing = svg(longLine(4));
    std::string marks = seriesMarks(drawing, 0);
    ASSERT_EQ(occurrences(marks, "<polyline "), 1u);
    size_t points = occurrences(marks, ",");
    EXPECT_LE(points, 3u * 480u);  // some per pixel column, not 12,000
    EXPECT_GE(points, 480u);
    // Both extremes survive, so the value axis and the line reach them; the line runs to the end.
    std::vector<double> ys, xs;
    std::string list = marks.substr(marks.find("points=\"") + 8);
    list = list.substr(0, list.find('"'));
    for (size_t at = 0; at < list.size();) {
        size_t comma = list.find(',', at), blank = list.find(' ', comma);
        xs.push_back(std::stod(list.substr(at, comma - at)));
        ys.push_back(std::stod(list.substr(comma + 1)));
        at = blank == std::string::npos ? list.size() : blank + 1;
    }
    double top = *std::min_element(ys.begin(), ys.end()), bottom = *std::max_element(ys.begin(), ys.end());
    EXPECT_LT(top, bottom - 150);  // peak and dip lie far apart, the flat part between them
    std::sort(ys.begin(), ys.end());
    EXPECT_GT(ys[1] - ys[0], 50);  // one point alone reaches the peak
    EXPECT_GT(xs.back(), 350);  // the plot ends near 395 (the legend takes the rest); a cut series a third of the way
    EXPECT_TRUE(hasText(drawing, "1000") || hasText(drawing, "1,000")) << "the axis reaches the peak";
}

TEST_F(LongSeries, CategoryLabelsAreThinnedToWhatFits) {
    for (int32_t type : {51, 57, 4}) {
        std::string drawing = svg(longLine(type));
        size_t labels = 0;
        for (const std::string& t : texts(drawing))
            if (!t.empty() && std::all_of(t.begin(), t.end(), ::isdigit) && std::stoi(t) > 20 && std::stoi(t) != 1000) ++labels;
        EXPECT_GT(labels, 3u) << type;
        EXPECT_LT(labels, 60u) << type;
        // Columns: the bars keep each pixel's extremes too.
        if (type == 51) {
            EXPECT_LT(occurrences(seriesMarks(drawing, 0), "<rect "), 3u * 480u);
        }
    }
}

}  // namespace
}  // namespace tavlora::host::test
