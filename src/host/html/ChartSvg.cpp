#include "host/html/ChartSvg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Utf8.h"
#include "com/Conversions.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartPalette.h"
#include "host/format/NumberFormat.h"
#include "host/Workbook.h"
#include "host/html/HtmlText.h"
#include "host/html/PointDecimation.h"

namespace tavlora::host::html {

namespace {

constexpr double kMargin = 8;
constexpr double kFontSize = 11;
constexpr double kTitleSize = 15;
constexpr double kRowHeight = 16;
// The application shows a slice's share without decimals unless told otherwise.
constexpr std::string_view kShareFormat = "0%";

// ---- text and numbers ----

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::isfinite(value) ? value : 0.0);
    std::string text(buffer);
    if (text.ends_with(".0")) text.resize(text.size() - 2);
    if (text == "-0") text = "0";
    return text;
}

std::string escaped(std::string_view text) { return htmlText(text, LineBreaks::AsBlank); }

double textWidth(std::string_view text, double size) {
    return static_cast<double>(base::utf16Length(text)) * size * 0.55;
}

// A number as the chart shows it: through the number format of the cells it comes from, so that
// a 0.0% cell is labelled 12.5% and a date cell as a date.
class ValueFormat {
public:
    ValueFormat(std::string_view code, bool date1904)
        : format_(std::make_shared<NumberFormat>(code.empty() ? std::string_view("General") : code)),
          date1904_(date1904) {}
    std::string operator()(double value) const {
        std::string text = format_->formatNumber(value, date1904_);
        return text.empty() ? com::formatGeneralNumber(value) : text;
    }

private:
    std::shared_ptr<const NumberFormat> format_;
    bool date1904_;
};

// ---- the drawing's primitives ----

class Canvas {
public:
    Canvas(double width, double height) : width_(width), height_(height) {}

    // `tip`: a tooltip the browser shows over the shape.
    void rect(double x, double y, double w, double h, std::string_view fill, std::string_view stroke = "none",
              std::string_view tip = {}) {
        out_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(std::max(0.0, w)) +
                "\" height=\"" + number(std::max(0.0, h)) + "\" fill=\"" + std::string(fill) + "\" stroke=\"" +
                std::string(stroke) + "\"";
        close("rect", tip);
    }
    void line(double x1, double y1, double x2, double y2, std::string_view stroke, double width = 1) {
        out_ += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" + number(y2) +
                "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + number(width) + "\"/>";
    }
    void polyline(const std::vector<std::pair<double, double>>& points, std::string_view stroke) {
        if (points.size() < 2) return;
        out_ += "<polyline fill=\"none\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"2\" points=\"" +
                pointList(points) + "\"/>";
    }
    void polygon(const std::vector<std::pair<double, double>>& points, std::string_view fill, double opacity,
                 std::string_view stroke = "none") {
        if (points.size() < 3) return;
        out_ += "<polygon fill=\"" + std::string(fill) + "\" fill-opacity=\"" + number(opacity) + "\" stroke=\"" +
                std::string(stroke) + "\" points=\"" + pointList(points) + "\"/>";
    }
    void circle(double x, double y, double r, std::string_view fill, std::string_view tip = {}) {
        out_ += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"" + number(r) + "\" fill=\"" +
                std::string(fill) + "\"";
        close("circle", tip);
    }
    void path(const std::string& d, std::string_view fill, std::string_view tip = {}) {
        out_ += "<path d=\"" + d + "\" fill=\"" + std::string(fill) + "\" stroke=\"#FFFFFF\" stroke-width=\"1\"";
        close("path", tip);
    }
    // anchor: start, middle, end.
    void text(double x, double y, std::string_view text, std::string_view anchor = "middle", double size = kFontSize,
              bool bold = false, std::string_view fill = "#404040") {
        out_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-size=\"" + number(size) +
                "\" text-anchor=\"" + std::string(anchor) + "\" fill=\"" + std::string(fill) + "\"";
        if (bold) out_ += " font-weight=\"bold\"";
        out_ += ">" + escaped(text) + "</text>";
    }
    // A group of shapes: one series's marks, or the legend.
    void open(std::string_view cssClass, std::optional<size_t> series = std::nullopt) {
        out_ += "<g class=\"" + std::string(cssClass) + "\"";
        if (series) out_ += " data-series=\"" + std::to_string(*series) + "\"";
        out_ += ">";
    }
    void closeGroup() { out_ += "</g>"; }

    std::string finish(std::string_view label) const {
        std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width_) + "\" height=\"" +
                          number(height_) + "\" viewBox=\"0 0 " + number(width_) + " " + number(height_) +
                          "\" font-family=\"Calibri,Carlito,Arial,sans-serif\" role=\"img\" aria-label=\"" + escaped(label) +
                          "\">";
        return svg + out_ + "</svg>";
    }

private:
    void close(std::string_view element, std::string_view tip) {
        if (tip.empty()) {
            out_ += "/>";
            return;
        }
        out_ += "><title>" + escaped(tip) + "</title></" + std::string(element) + ">";
    }

    static std::string pointList(const std::vector<std::pair<double, double>>& points) {
        std::string list;
        for (const auto& [x, y] : points) list += number(x) + "," + number(y) + " ";
        if (!list.empty()) list.pop_back();
        return list;
    }

    double width_;
    double height_;
    std::string out_;
};

// ---- the chart's data ----

struct SeriesPlot {
    std::string name;
    std::vector<std::optional<double>> values;
    std::vector<std::optional<double>> xs;  // scatter: the x values, where numbers
    DataLabelFlags labels;
    std::string color;
    ValueFormat valueFormat{"General", false};
    ValueFormat xFormat{"General", false};
};

struct PlotData {
    std::vector<std::string> categories;
    std::vector<SeriesPlot> series;
};

std::vector<std::optional<double>> numbersOf(const ResolvedData& data) {
    std::vector<std::optional<double>> out;
    out.reserve(data.points.size());
    for (const ResolvedPoint& p : data.points)
        out.push_back(p.value.isNumeric() ? std::optional<double>(com::toDouble(p.value)) : std::nullopt);
    return out;
}

PlotData collect(const ChartModel& chart) {
    PlotData data;
    auto book = chart.workbook();
    const bool date1904 = book->sharedStore()->styles.uses1904Dates();
    size_t points = 0;
    for (size_t i = 0; i < chart.series().size(); ++i) {
        const SeriesModel& model = *chart.series()[i];
        ResolvedData values = resolveSeriesData(*book, model.valuesData());
        ResolvedData categories = resolveSeriesData(*book, model.xValuesData());
        SeriesPlot plot;
        plot.name = com::toTextOrEmpty(model.name());
        plot.labels = model.labels();
        plot.color = "#" + std::string(chartColor(i));
        plot.values = numbersOf(values);
        plot.xs = numbersOf(categories);
        plot.valueFormat = ValueFormat(values.formatCode, date1904);
        plot.xFormat = ValueFormat(categories.formatCode, date1904);
        if (data.categories.empty())
            for (ResolvedPoint& p : categories.points) data.categories.push_back(std::move(p.text));
        points = std::max(points, plot.values.size());
        data.series.push_back(std::move(plot));
    }
    points = std::max(points, data.categories.size());
    for (size_t k = data.categories.size(); k < points; ++k) data.categories.push_back(std::to_string(k + 1));
    return data;
}

// An axis from `low` to `high` in steps a reader takes in at a glance (1, 2 or 5 times a power of ten).
struct Scale {
    double low = 0;
    double high = 1;
    double step = 0.2;

    // Some room is left above (below) the largest (smallest) value, as the application leaves it.
    static Scale nice(double low, double high) {
        if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
        if (high <= low) high = low + 1;
        double room = (high - low) * 0.05;
        if (high > 0) high += room;
        if (low < 0) low -= room;
        double rough = (high - low) / 8;
        double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
        double fraction = rough / magnitude;
        double step = (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * magnitude;
        return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
    }
    double at(double value, double from, double to) const { return from + (value - low) / (high - low) * (to - from); }
    std::vector<double> ticks() const {
        std::vector<double> out;
        for (int i = 0; i <= 50; ++i) {
            double v = low + step * i;
            if (v > high + step * 1e-9) break;
            out.push_back(std::abs(v) < step * 1e-9 ? 0 : v);
        }
        return out;
    }
};

struct Box {
    double x = 0, y = 0, w = 0, h = 0;
};

size_t pixelsOf(double length) { return static_cast<size_t>(std::max(1.0, std::floor(length))); }

class ChartDrawer {
public:
    ChartDrawer(const ChartModel& chart, double width, double height, bool categoriesReversed)
        : chart_(chart), traits_(chart.traits()), data_(collect(chart)), canvas_(width, height), width_(width),
          height_(height), reversed_(categoriesReversed) {}

    std::string draw() {
        canvas_.rect(0.5, 0.5, width_ - 1, height_ - 1, "#FFFFFF", "#D9D9D9");
        Box area{kMargin, kMargin, width_ - 2 * kMargin, height_ - 2 * kMargin};
        drawTitle(area);
        drawLegend(area);
        if (pieLike()) drawPie(area);
        else if (traits_.kind == PlotKind::Radar) drawRadar(area);
        else if (traits_.kind == PlotKind::Scatter || traits_.kind == PlotKind::Bubble) drawScatter(area);
        else drawCategories(area);
        // Labels go on top of every shape, so that no later series hides them.
        if (!labels_.empty()) canvas_.open("labels");
        for (const PendingText& text : labels_) {
            // Outlined, so that a key standing on a slice of its own colour still shows.
            if (text.keyColor) canvas_.rect(text.keyX, text.y - 8, 7, 7, *text.keyColor, "#FFFFFF");
            canvas_.text(text.x, text.y, text.text, text.anchor, kFontSize - 1, false, "#262626");
        }
        if (!labels_.empty()) canvas_.closeGroup();
        return canvas_.finish(title());
    }

private:
    bool pieLike() const { return !hasAxes(traits_.kind); }
    bool percentStacked() const { return traits_.grouping == Grouping::PercentStacked; }
    bool stacked() const { return traits_.grouping == Grouping::Stacked || percentStacked(); }
    size_t pointCount() const { return data_.categories.size(); }

    // The value axis shows the first series's format, a 100 % chart shares.
    ValueFormat valueAxisFormat() const {
        if (percentStacked()) return ValueFormat(kShareFormat, false);
        return data_.series.empty() ? ValueFormat("General", false) : data_.series.front().valueFormat;
    }

    std::string tip(const SeriesPlot& s, size_t k, double value) const {
        std::string text = s.name;
        if (k < data_.categories.size()) text += (text.empty() ? "" : ", ") + data_.categories[k];
        return text + ": " + s.valueFormat(value);
    }

    std::string title() const {
        if (!chart_.hasTitle()) return chart_.name();
        std::string text = chart_.titleText();
        if (text.empty()) text = data_.series.size() == 1 ? data_.series[0].name : "Chart Title";
        return text;
    }

    void drawTitle(Box& area) {
        if (!chart_.hasTitle()) return;
        canvas_.text(width_ / 2, area.y + kTitleSize, title(), "middle", kTitleSize, true, "#262626");
        area.y += kTitleSize + 10;
        area.h -= kTitleSize + 10;
    }

    // Pies and doughnuts name their slices, other charts their series.
    std::vector<std::pair<std::string, std::string>> legendEntries() const {
        std::vector<std::pair<std::string, std::string>> entries;
        if (pieLike()) {
            for (size_t i = 0; i < pointCount(); ++i) entries.emplace_back(data_.categories[i], "#" + std::string(chartColor(i)));
        } else {
            for (const SeriesPlot& s : data_.series) entries.emplace_back(s.name, s.color);
        }
        return entries;
    }

    void drawLegend(Box& area) {
        if (!chart_.hasLegend()) return;
        auto entries = legendEntries();
        if (entries.empty()) return;
        double widest = 0;
        for (const auto& [name, color] : entries) widest = std::max(widest, textWidth(name, kFontSize));
        double legendWidth = std::min(area.w * 0.35, widest + 22);
        size_t shown = std::min(entries.size(), static_cast<size_t>(std::max(1.0, area.h / kRowHeight)));
        double top = area.y + (area.h - static_cast<double>(shown) * kRowHeight) / 2;
        double left = area.x + area.w - legendWidth;
        canvas_.open("legend");
        for (size_t i = 0; i < shown; ++i) {
            double y = top + static_cast<double>(i) * kRowHeight;
            canvas_.rect(left, y + 4, 8, 8, entries[i].second);
            canvas_.text(left + 12, y + 12, entries[i].first, "start");
        }
        canvas_.closeGroup();
        area.w -= legendWidth + 8;
    }

    // ---- columns, bars, lines and areas over categories ----

    std::vector<double> stackTotals(bool positive) const {
        std::vector<double> totals(pointCount(), 0);
        for (const SeriesPlot& s : data_.series)
            for (size_t k = 0; k < s.values.size() && k < totals.size(); ++k)
                if (s.values[k] && ((*s.values[k] >= 0) == positive)) totals[k] += *s.values[k];
        return totals;
    }

    // A point's value as drawn: its share of the category's total in a 100 % chart.
    double shown(double value, size_t k, const std::vector<double>& positive, const std::vector<double>& negative) const {
        if (!percentStacked()) return value;
        double total = positive[k] - negative[k];
        return total == 0 ? 0 : value / total;
    }

    Scale valueScale(const std::vector<double>& positive, const std::vector<double>& negative) const {
        if (percentStacked()) return Scale{0, 1, 0.2};
        double low = 0, high = 0;
        if (stacked()) {
            for (double v : positive) high = std::max(high, v);
            for (double v : negative) low = std::min(low, v);
        } else {
            for (const SeriesPlot& s : data_.series)
                for (const auto& v : s.values)
                    if (v) low = std::min(low, *v), high = std::max(high, *v);
        }
        return Scale::nice(low, high);
    }

    // Where category k's band begins along the category axis. Bars count from the bottom up and
    // columns from the left, as the application draws them while their axis is not reversed.
    double bandStart(const Box& plot, double band, size_t k, bool horizontal) const {
        bool fromEnd = horizontal != reversed_;
        double length = horizontal ? plot.h : plot.w;
        double start = fromEnd ? length - band * static_cast<double>(k + 1) : band * static_cast<double>(k);
        return (horizontal ? plot.y : plot.x) + start;
    }

    void drawCategoryLabels(const Box& plot, double band, bool horizontal, double widest) {
        size_t n = pointCount();
        if (!horizontal && chart_.hasDataTable()) return;  // the table names the categories
        size_t step = horizontal ? labelStep(n, kRowHeight, plot.h) : labelStep(n, widest + 6, plot.w);
        for (size_t k = 0; k < n; k += step) {
            double center = bandStart(plot, band, k, horizontal) + band / 2;
            if (horizontal) canvas_.text(plot.x - 4, center + 4, data_.categories[k], "end");
            else canvas_.text(center, plot.y + plot.h + 14, data_.categories[k]);
        }
    }

    void drawCategories(Box area) {
        bool horizontal = traits_.horizontal && (traits_.kind == PlotKind::Bar || traits_.kind == PlotKind::Bar3D);
        size_t n = std::max<size_t>(1, pointCount());
        double tableHeight = chart_.hasDataTable() ? kRowHeight * static_cast<double>(data_.series.size() + 1) : 0;
        double labelColumn = chart_.hasDataTable() ? 70 : 0;
        auto positive = stackTotals(true), negative = stackTotals(false);
        Scale scale = valueScale(positive, negative);
        ValueFormat axisFormat = valueAxisFormat();
        double valueLabelWidth = 0;
        for (double t : scale.ticks()) valueLabelWidth = std::max(valueLabelWidth, textWidth(axisFormat(t), kFontSize));
        double categoryLabelWidth = 0;
        for (const auto& c : data_.categories) categoryLabelWidth = std::max(categoryLabelWidth, textWidth(c, kFontSize));
        double leftGutter = std::max(labelColumn, (horizontal ? std::min(categoryLabelWidth, area.w * 0.3) : valueLabelWidth) + 8);
        Box plot{area.x + leftGutter, area.y + 4, area.w - leftGutter - 4, area.h - 22 - tableHeight};
        if (plot.w < 10 || plot.h < 10) return;

        // Value gridlines and labels.
        for (double t : scale.ticks()) {
            if (horizontal) {
                double x = scale.at(t, plot.x, plot.x + plot.w);
                canvas_.line(x, plot.y, x, plot.y + plot.h, "#E0E0E0");
                canvas_.text(x, plot.y + plot.h + 14, axisFormat(t));
            } else {
                double y = scale.at(t, plot.y + plot.h, plot.y);
                canvas_.line(plot.x, y, plot.x + plot.w, y, "#E0E0E0");
                canvas_.text(plot.x - 4, y + 4, axisFormat(t), "end");
            }
        }
        double band = (horizontal ? plot.h : plot.w) / static_cast<double>(n);
        drawCategoryLabels(plot, band, horizontal, categoryLabelWidth);
        double zero = horizontal ? scale.at(0, plot.x, plot.x + plot.w) : scale.at(0, plot.y + plot.h, plot.y);
        if (horizontal) canvas_.line(zero, plot.y, zero, plot.y + plot.h, "#A6A6A6");
        else canvas_.line(plot.x, zero, plot.x + plot.w, zero, "#A6A6A6");

        switch (traits_.kind) {
            case PlotKind::Bar:
            case PlotKind::Bar3D: drawBars(plot, scale, band, horizontal, positive, negative); break;
            case PlotKind::Area:
            case PlotKind::Area3D: drawLines(plot, scale, band, true, positive, negative); break;
            default: drawLines(plot, scale, band, false, positive, negative); break;
        }
        if (chart_.hasDataTable()) drawDataTable(Box{area.x, plot.y + plot.h + 4, area.w, tableHeight}, plot.x, band);
    }

    void drawBars(const Box& plot, const Scale& scale, double band, bool horizontal, const std::vector<double>& positive,
                  const std::vector<double>& negative) {
        size_t seriesCount = std::max<size_t>(1, data_.series.size());
        double barSize = stacked() ? band * 0.6 : band * 0.7 / static_cast<double>(seriesCount);
        std::vector<double> up(pointCount(), 0), down(pointCount(), 0);
        size_t pixels = pixelsOf(horizontal ? plot.h : plot.w);
        for (size_t i = 0; i < data_.series.size(); ++i) {
            const SeriesPlot& s = data_.series[i];
            // Segments of every point stack up; only those a pixel keeps are drawn.
            std::vector<double> from(pointCount(), 0);
            if (stacked())
                for (size_t k = 0; k < s.values.size() && k < pointCount(); ++k) {
                    if (!s.values[k]) continue;
                    double value = shown(*s.values[k], k, positive, negative);
                    double& base = value >= 0 ? up[k] : down[k];
                    from[k] = base;
                    base += value;
                }
            canvas_.open("series", i);
            for (size_t k : pixelExtremes(s.values, pixels)) {
                if (k >= pointCount() || !s.values[k]) continue;
                double value = shown(*s.values[k], k, positive, negative);
                double offset = stacked() ? band * 0.2 : band * 0.15 + barSize * static_cast<double>(i);
                // Series follow the categories' direction: the first nearest the axis's start.
                bool fromEnd = horizontal != reversed_;
                double start = fromEnd ? bandStart(plot, band, k, horizontal) + band - offset - barSize
                                       : bandStart(plot, band, k, horizontal) + offset;
                std::string hint = tip(s, k, *s.values[k]);
                if (horizontal) {
                    double a = scale.at(from[k], plot.x, plot.x + plot.w), b = scale.at(from[k] + value, plot.x, plot.x + plot.w);
                    canvas_.rect(std::min(a, b), start, std::abs(b - a), barSize, s.color, "none", hint);
                    if (stacked()) label(s, k, *s.values[k], (a + b) / 2, start + barSize / 2 + 4, "middle");
                    else label(s, k, *s.values[k], std::max(a, b) + 4, start + barSize / 2 + 4, "start");
                } else {
                    double a = scale.at(from[k], plot.y + plot.h, plot.y), b = scale.at(from[k] + value, plot.y + plot.h, plot.y);
                    canvas_.rect(start, std::min(a, b), std::max(barSize, 0.5), std::abs(b - a), s.color, "none", hint);
                    // A stacked segment carries its label inside, a lone column above it.
                    double y = stacked() ? (a + b) / 2 + 4 : std::min(a, b) - 3;
                    label(s, k, *s.values[k], start + barSize / 2, y, "middle");
                }
            }
            canvas_.closeGroup();
        }
    }

    void drawLines(const Box& plot, const Scale& scale, double band, bool area, const std::vector<double>& positive,
                   const std::vector<double>& negative) {
        std::vector<double> base(pointCount(), 0);
        size_t pixels = pixelsOf(plot.w);
        for (size_t i = 0; i < data_.series.size(); ++i) {
            const SeriesPlot& s = data_.series[i];
            // The heights drawn (stacked on the series before), decimated as drawn.
            std::vector<std::optional<double>> tops(std::min(s.values.size(), pointCount()));
            std::vector<double> next = base;
            for (size_t k = 0; k < tops.size(); ++k) {
                if (!s.values[k]) continue;
                double value = shown(*s.values[k], k, positive, negative);
                tops[k] = stacked() ? base[k] + value : value;
                next[k] = *tops[k];
            }
            canvas_.open("series", i);
            std::vector<std::pair<double, double>> points, floor;
            for (size_t k : pixelExtremes(tops, pixels)) {
                double x = bandStart(plot, band, k, false) + band / 2;
                if (!tops[k]) {
                    if (!area) {
                        canvas_.polyline(points, s.color);
                        points.clear();
                    }
                    continue;
                }
                double y = scale.at(*tops[k], plot.y + plot.h, plot.y);
                points.emplace_back(x, y);
                floor.emplace_back(x, scale.at(stacked() ? base[k] : 0, plot.y + plot.h, plot.y));
                if (!area && (traits_.markers || traits_.kind != PlotKind::Line))
                    canvas_.circle(x, y, 3, s.color, tip(s, k, *s.values[k]));
                label(s, k, *s.values[k], x, y - 6, "middle");
            }
            if (area) {
                std::vector<std::pair<double, double>> shape = points;
                shape.insert(shape.end(), floor.rbegin(), floor.rend());
                canvas_.polygon(shape, s.color, 0.85);
            } else {
                canvas_.polyline(points, s.color);
            }
            canvas_.closeGroup();
            if (stacked()) base = next;
        }
    }

    void drawDataTable(const Box& table, double valuesLeft, double band) {
        double y = table.y;
        canvas_.line(table.x, y, table.x + table.w, y, "#BFBFBF");
        for (size_t k = 0; k < pointCount(); ++k)
            canvas_.text(valuesLeft + band * (static_cast<double>(k) + 0.5), y + 12, data_.categories[k]);
        for (const SeriesPlot& s : data_.series) {
            y += kRowHeight;
            canvas_.line(table.x, y, table.x + table.w, y, "#BFBFBF");
            canvas_.rect(table.x + 2, y + 4, 8, 8, s.color);
            canvas_.text(table.x + 14, y + 12, s.name, "start");
            for (size_t k = 0; k < s.values.size() && k < pointCount(); ++k)
                if (s.values[k]) canvas_.text(valuesLeft + band * (static_cast<double>(k) + 0.5), y + 12, s.valueFormat(*s.values[k]));
        }
        canvas_.line(table.x, y + kRowHeight, table.x + table.w, y + kRowHeight, "#BFBFBF");
    }

    // ---- pies and doughnuts ----

    // A pie shows its first series; a doughnut every series, one ring each, the first innermost.
    void drawPie(const Box& area) {
        if (data_.series.empty()) return;
        double radius = std::max(0.0, std::min(area.w, area.h) / 2 - 12);
        if (radius <= 0) return;
        double cx = area.x + area.w / 2, cy = area.y + area.h / 2;
        bool doughnut = traits_.kind == PlotKind::Doughnut;
        size_t rings = doughnut ? data_.series.size() : 1;
        double hole = doughnut ? radius * 0.5 : 0;
        double ring = (radius - hole) / static_cast<double>(rings);
        for (size_t i = 0; i < rings; ++i) drawRing(i, cx, cy, hole + ring * static_cast<double>(i), hole + ring * static_cast<double>(i + 1), radius);
    }

    void drawRing(size_t index, double cx, double cy, double inner, double outer, double radius) {
        const SeriesPlot& s = data_.series[index];
        double total = 0;
        for (const auto& v : s.values)
            if (v && *v > 0) total += *v;
        if (total <= 0) return;
        ValueFormat shareFormat(kShareFormat, false);
        double angle = -std::numbers::pi / 2;
        canvas_.open("series", index);
        for (size_t k = 0; k < s.values.size(); ++k) {
            if (!s.values[k] || *s.values[k] <= 0) continue;
            double sweep = *s.values[k] / total * 2 * std::numbers::pi;
            double middle = angle + sweep / 2;
            double shift = traits_.exploded ? radius * 0.08 : 0;
            double ox = cx + std::cos(middle) * shift, oy = cy + std::sin(middle) * shift;
            std::string color = "#" + std::string(chartColor(k));
            double share = *s.values[k] / total;
            canvas_.path(slicePath(ox, oy, outer, inner, angle, angle + sweep), color,
                         tip(s, k, *s.values[k]) + " (" + shareFormat(share) + ")");
            double at = inner > 0 ? (outer + inner) / 2 : outer * 0.65;
            label(s, k, *s.values[k], ox + std::cos(middle) * at, oy + std::sin(middle) * at + 4, "middle", share, color);
            angle += sweep;
        }
        canvas_.closeGroup();
    }

    static std::string slicePath(double cx, double cy, double r, double hole, double from, double to) {
        auto point = [&](double radius, double a) {
            return number(cx + std::cos(a) * radius) + " " + number(cy + std::sin(a) * radius);
        };
        bool whole = to - from >= 2 * std::numbers::pi - 1e-9;
        if (whole) to = from + 2 * std::numbers::pi - 1e-4;
        std::string large = to - from > std::numbers::pi ? "1" : "0";
        std::string d = "M" + point(r, from) + " A" + number(r) + " " + number(r) + " 0 " + large + " 1 " + point(r, to);
        if (hole > 0) {
            d += " L" + point(hole, to) + " A" + number(hole) + " " + number(hole) + " 0 " + large + " 0 " + point(hole, from);
        } else {
            d += " L" + number(cx) + " " + number(cy);
        }
        return d + " Z";
    }

    // ---- scatter and radar ----

    double xOf(const SeriesPlot& s, size_t k) const {
        return k < s.xs.size() && s.xs[k] ? *s.xs[k] : static_cast<double>(k + 1);
    }

    void drawScatter(const Box& area) {
        Box plot{area.x + 40, area.y + 4, area.w - 44, area.h - 22};
        if (plot.w < 10 || plot.h < 10) return;
        double xLow = 1e300, xHigh = -1e300, yLow = 0, yHigh = 0;
        for (const SeriesPlot& s : data_.series)
            for (size_t k = 0; k < s.values.size(); ++k) {
                double x = xOf(s, k);
                xLow = std::min(xLow, x), xHigh = std::max(xHigh, x);
                if (s.values[k]) yLow = std::min(yLow, *s.values[k]), yHigh = std::max(yHigh, *s.values[k]);
            }
        Scale xs = Scale::nice(std::min(0.0, xLow), xHigh), ys = Scale::nice(yLow, yHigh);
        ValueFormat yFormat = valueAxisFormat();
        ValueFormat xFormat = data_.series.empty() ? ValueFormat("General", false) : data_.series.front().xFormat;
        for (double t : ys.ticks()) {
            double y = ys.at(t, plot.y + plot.h, plot.y);
            canvas_.line(plot.x, y, plot.x + plot.w, y, "#E0E0E0");
            canvas_.text(plot.x - 4, y + 4, yFormat(t), "end");
        }
        double widest = 0;
        for (double t : xs.ticks()) widest = std::max(widest, textWidth(xFormat(t), kFontSize));
        auto xTicks = xs.ticks();
        size_t step = labelStep(xTicks.size(), widest + 6, plot.w);
        for (size_t i = 0; i < xTicks.size(); i += step)
            canvas_.text(xs.at(xTicks[i], plot.x, plot.x + plot.w), plot.y + plot.h + 14, xFormat(xTicks[i]));
        canvas_.line(plot.x, plot.y + plot.h, plot.x + plot.w, plot.y + plot.h, "#A6A6A6");
        for (size_t i = 0; i < data_.series.size(); ++i) {
            const SeriesPlot& s = data_.series[i];
            std::vector<std::pair<double, double>> points;
            canvas_.open("series", i);
            for (size_t k : pixelExtremes(s.values, pixelsOf(plot.w))) {
                if (!s.values[k]) continue;
                double x = xs.at(xOf(s, k), plot.x, plot.x + plot.w), y = ys.at(*s.values[k], plot.y + plot.h, plot.y);
                points.emplace_back(x, y);
                if (traits_.markers || !traits_.lines) canvas_.circle(x, y, 3, s.color, tip(s, k, *s.values[k]));
                label(s, k, *s.values[k], x, y - 6, "middle");
            }
            if (traits_.lines) canvas_.polyline(points, s.color);
            canvas_.closeGroup();
        }
    }

    void drawRadar(const Box& area) {
        size_t n = pointCount();
        if (n < 3) return drawCategories(area);
        double radius = std::max(0.0, std::min(area.w, area.h) / 2 - 18);
        double cx = area.x + area.w / 2, cy = area.y + area.h / 2;
        double high = 0;
        for (const SeriesPlot& s : data_.series)
            for (const auto& v : s.values)
                if (v) high = std::max(high, *v);
        Scale scale = Scale::nice(0, high);
        auto spoke = [&](size_t k, double r) {
            double a = -std::numbers::pi / 2 + 2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
            return std::pair<double, double>{cx + std::cos(a) * r, cy + std::sin(a) * r};
        };
        for (double t : scale.ticks()) {
            std::vector<std::pair<double, double>> ring;
            for (size_t k = 0; k < n; ++k) ring.push_back(spoke(k, scale.at(t, 0, radius)));
            canvas_.polygon(ring, "none", 0, "#E0E0E0");
        }
        size_t step = labelStep(n, kRowHeight, 2 * std::numbers::pi * radius);
        for (size_t k = 0; k < n; ++k) {
            auto [x, y] = spoke(k, radius);
            canvas_.line(cx, cy, x, y, "#E0E0E0");
            if (k % step != 0) continue;
            auto [lx, ly] = spoke(k, radius + 10);
            canvas_.text(lx, ly + 4, data_.categories[k]);
        }
        for (size_t i = 0; i < data_.series.size(); ++i) {
            const SeriesPlot& s = data_.series[i];
            std::vector<std::pair<double, double>> shape;
            canvas_.open("series", i);
            for (size_t k = 0; k < n && k < s.values.size(); ++k) {
                auto [x, y] = spoke(k, scale.at(s.values[k].value_or(0), 0, radius));
                shape.emplace_back(x, y);
                if (traits_.markers && s.values[k]) canvas_.circle(x, y, 3, s.color, tip(s, k, *s.values[k]));
                if (s.values[k]) label(s, k, *s.values[k], x, y - 6, "middle");
            }
            if (traits_.filled) canvas_.polygon(shape, s.color, 0.6);
            else if (!shape.empty()) {
                shape.push_back(shape.front());
                canvas_.polyline(shape, s.color);
            }
            canvas_.closeGroup();
        }
    }

    // ---- data labels ----

    // `share`: a slice's part of its ring; `keyColor`: the slice's colour for the legend key.
    void label(const SeriesPlot& s, size_t k, double value, double x, double y, std::string_view anchor,
               std::optional<double> share = std::nullopt, std::string_view keyColor = {}) {
        const DataLabelFlags& flags = s.labels;
        if (!flags.any()) return;
        std::vector<std::string> parts;
        if (flags.seriesName) parts.push_back(s.name);
        if (flags.category && k < data_.categories.size()) parts.push_back(data_.categories[k]);
        if (flags.value) parts.push_back(s.valueFormat(value));
        if (flags.percent && share) parts.push_back(ValueFormat(kShareFormat, false)(*share));
        if (parts.empty()) return;
        std::string text;
        for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
        PendingText pending;
        pending.x = x;
        pending.y = y;
        pending.text = std::move(text);
        pending.anchor = std::string(anchor);
        if (flags.legendKey) {
            double width = textWidth(pending.text, kFontSize - 1);
            double left = anchor == "middle" ? x - width / 2 : anchor == "end" ? x - width : x;
            pending.keyX = left - 10;
            pending.keyColor = std::string(keyColor.empty() ? std::string_view(s.color) : keyColor);
        }
        labels_.push_back(std::move(pending));
    }

    struct PendingText {
        double x = 0;
        double y = 0;
        std::string text;
        std::string anchor;
        double keyX = 0;
        std::optional<std::string> keyColor;  // the legend key drawn beside the label
    };

    const ChartModel& chart_;
    ChartTypeTraits traits_;
    PlotData data_;
    Canvas canvas_;
    double width_;
    double height_;
    bool reversed_;
    std::vector<PendingText> labels_;
};

}  // namespace

std::string chartSvg(const ChartModel& chart, double width, double height, bool categoriesReversed) {
    return ChartDrawer(chart, std::max(width, 40.0), std::max(height, 40.0), categoriesReversed).draw();
}

}  // namespace tavlora::host::html
