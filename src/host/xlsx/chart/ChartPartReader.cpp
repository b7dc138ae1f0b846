#include "host/xlsx/chart/ChartPartReader.h"

#include <algorithm>
#include <charconv>

#include "com/Conversions.h"
#include "host/chart/ChartModel.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/chart/ChartXml.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

// A damaged part must not make us allocate without bound.
constexpr size_t kMaxCachedPoints = 1u << 20;

Grouping groupingOf(std::string_view text) {
    if (text == "clustered") return Grouping::Clustered;
    if (text == "stacked") return Grouping::Stacked;
    if (text == "percentStacked") return Grouping::PercentStacked;
    return Grouping::Standard;
}

BarShape shapeOf(std::string_view text) {
    if (text == "cylinder") return BarShape::Cylinder;
    if (text == "cone" || text == "coneToMax") return BarShape::Cone;
    if (text == "pyramid" || text == "pyramidToMax") return BarShape::Pyramid;
    return BarShape::Box;
}

bool markerHidden(pugi::xml_node ser) { return valOf(childByLocalName(ser, "marker"), "symbol", "") == "none"; }

bool lineHidden(pugi::xml_node ser) {
    pugi::xml_node line = childByLocalName(childByLocalName(ser, "spPr"), "ln");
    return line && childByLocalName(line, "noFill");
}

bool exploded(pugi::xml_node ser) {
    std::string_view value = valOf(ser, "explosion", "0");
    return !value.empty() && value != "0";
}

template <class Test>
bool every(const std::vector<pugi::xml_node>& series, Test test) {
    return !series.empty() && std::all_of(series.begin(), series.end(), test);
}

std::string nodeXml(pugi::xml_node node) {
    std::string out;
    appendNodeXml(out, node);
    return out;
}

// The points of a cache or literal (c:numCache, c:strLit, ...), by their idx.
std::vector<com::Variant> cachedPoints(pugi::xml_node cache, bool numeric) {
    std::vector<com::Variant> points;
    if (!cache) return points;
    size_t count = 0;
    std::string_view countText = valOf(cache, "ptCount", "0");
    std::from_chars(countText.data(), countText.data() + countText.size(), count);
    for (pugi::xml_node pt : childrenByLocalName(cache, "pt")) {
        size_t idx = pt.attribute("idx").as_ullong(points.size());
        count = std::max(count, idx + 1);
    }
    points.resize(std::min(count, kMaxCachedPoints));
    for (pugi::xml_node pt : childrenByLocalName(cache, "pt")) {
        size_t idx = pt.attribute("idx").as_ullong(0);
        if (idx >= points.size()) continue;
        std::string_view text = childByLocalName(pt, "v").text().get();
        double number = 0;
        if (numeric && com::parseNumericText(text, number)) points[idx] = number;
        else if (!numeric) points[idx] = std::string(text);
    }
    return points;
}

class ChartPartLoader {
public:
    ChartPartLoader(const Workbook& workbook, ChartModel& chart) : workbook_(workbook), chart_(chart) {}

    void load(const pugi::xml_document& part) {
        pugi::xml_node chart = childByLocalName(part.document_element(), "chart");
        pugi::xml_node plotArea = childByLocalName(chart, "plotArea");
        int32_t group = 0, index = 0;
        bool typed = false;
        for (pugi::xml_node child = plotArea.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element || !plotKindOfElement(localName(child.name()))) continue;
            if (!typed) chart_.loadType(chartTypeNumber(plotTraitsOf(child)));
            typed = true;
            for (pugi::xml_node ser : childrenByLocalName(child, "ser")) loadSeries(ser, child, index++, group);
            ++group;
        }
        chart_.loadLegend(static_cast<bool>(childByLocalName(chart, "legend")));
        chart_.loadDataTable(static_cast<bool>(childByLocalName(plotArea, "dTable")));
        pugi::xml_node title = childByLocalName(chart, "title");
        chart_.loadTitle(static_cast<bool>(title), titleText(title));
    }

private:
    void loadSeries(pugi::xml_node ser, pugi::xml_node group, int32_t index, int32_t groupIndex) {
        auto series = chart_.loadSeries();
        series->setKeptPlace(index, groupIndex);
        series->loadName(nameData(childByLocalName(ser, "tx")));
        pugi::xml_node values = childByLocalName(ser, "val");
        if (!values) values = childByLocalName(ser, "yVal");
        pugi::xml_node categories = childByLocalName(ser, "cat");
        if (!categories) categories = childByLocalName(ser, "xVal");
        series->loadValues(sourceData(values));
        series->loadXValues(sourceData(categories));
        pugi::xml_node labels = childByLocalName(ser, "dLbls");
        if (!labels) labels = childByLocalName(group, "dLbls");
        series->loadLabels(labelFlags(labels));
    }

    static DataLabelFlags labelFlags(pugi::xml_node labels) {
        DataLabelFlags flags;
        if (!labels || boolValOf(labels, "delete", false)) return flags;
        flags.value = boolValOf(labels, "showVal", false);
        flags.percent = boolValOf(labels, "showPercent", false);
        flags.category = boolValOf(labels, "showCatName", false);
        flags.seriesName = boolValOf(labels, "showSerName", false);
        flags.bubbleSize = boolValOf(labels, "showBubbleSize", false);
        flags.legendKey = boolValOf(labels, "showLegendKey", false);
        return flags;
    }

    // A reference the model can follow: every sheet it names is a worksheet of the workbook.
    std::optional<ChartReference> followable(std::string_view formula) const {
        auto reference = parseA1Reference(formula);
        if (!reference) return std::nullopt;
        for (SheetArea& item : reference->areas) {
            bool found = false;
            for (const auto& sheet : workbook_.worksheets()) {
                if (com::upperCase(sheet->name()) != com::upperCase(item.sheet)) continue;
                item.sheet = sheet->name();
                found = true;
                break;
            }
            if (!found) return std::nullopt;
        }
        return reference;
    }

    SeriesData referenceData(pugi::xml_node ref, bool numeric) const {
        SeriesData data;
        if (auto reference = followable(childByLocalName(ref, "f").text().get())) {
            data.kind = SeriesData::Kind::Reference;
            data.reference = std::move(*reference);
            return data;
        }
        data.kind = SeriesData::Kind::Kept;
        data.keptXml = nodeXml(ref);
        data.literal = cachedPoints(childByLocalName(ref, numeric ? "numCache" : "strCache"), numeric);
        return data;
    }

    SeriesData sourceData(pugi::xml_node holder) const {
        SeriesData data;
        pugi::xml_node source = holder.first_child();
        while (source && source.type() != pugi::node_element) source = source.next_sibling();
        if (!source) return data;
        std::string_view local = localName(source.name());
        if (local == "numRef") return referenceData(source, true);
        if (local == "strRef") return referenceData(source, false);
        if (local == "numLit" || local == "strLit") {
            data.kind = SeriesData::Kind::Literal;
            data.literal = cachedPoints(source, local == "numLit");
            return data;
        }
        data.kind = SeriesData::Kind::Kept;
        data.keptXml = nodeXml(source);
        if (local == "multiLvlStrRef") {
            pugi::xml_node cache = childByLocalName(source, "multiLvlStrCache");
            data.literal = cachedPoints(childByLocalName(cache, "lvl"), false);
        }
        return data;
    }

    SeriesData nameData(pugi::xml_node tx) const {
        SeriesData data;
        if (!tx) return data;
        if (pugi::xml_node ref = childByLocalName(tx, "strRef")) return referenceData(ref, false);
        if (pugi::xml_node v = childByLocalName(tx, "v")) {
            data.kind = SeriesData::Kind::Literal;
            data.literal.emplace_back(std::string(v.text().get()));
        }
        return data;
    }

    static std::string titleText(pugi::xml_node title) {
        pugi::xml_node tx = childByLocalName(title, "tx");
        std::string text;
        if (pugi::xml_node rich = childByLocalName(tx, "rich")) {
            bool first = true;
            for (pugi::xml_node p : childrenByLocalName(rich, "p")) {
                if (!first) text += '\n';
                first = false;
                for (pugi::xml_node run : childrenByLocalName(p, "r")) text += childByLocalName(run, "t").text().get();
            }
        } else if (pugi::xml_node ref = childByLocalName(tx, "strRef")) {
            for (const com::Variant& v : cachedPoints(childByLocalName(ref, "strCache"), false))
                if (v.type() == com::VarType::String) text += v.asString();
        }
        return text;
    }

    const Workbook& workbook_;
    ChartModel& chart_;
};

}  // namespace

ChartTypeTraits plotTraitsOf(pugi::xml_node group) {
    ChartTypeTraits t;
    t.kind = plotKindOfElement(localName(group.name())).value_or(PlotKind::Bar);
    std::vector<pugi::xml_node> series = childrenByLocalName(group, "ser");
    switch (t.kind) {
        case PlotKind::Bar:
        case PlotKind::Bar3D:
            t.horizontal = valOf(group, "barDir", "col") == "bar";
            t.grouping = groupingOf(valOf(group, "grouping", "clustered"));
            if (t.kind == PlotKind::Bar3D) t.shape = shapeOf(valOf(group, "shape", "box"));
            // Flat bars have no standard grouping; the application draws it as clustered.
            else if (t.grouping == Grouping::Standard) t.grouping = Grouping::Clustered;
            break;
        case PlotKind::Line:
            t.grouping = groupingOf(valOf(group, "grouping", "standard"));
            if (t.grouping == Grouping::Clustered) t.grouping = Grouping::Standard;
            t.markers = series.empty() ? boolValOf(group, "marker", false) : !every(series, markerHidden);
            break;
        case PlotKind::Area:
        case PlotKind::Area3D:
            t.grouping = groupingOf(valOf(group, "grouping", "standard"));
            if (t.grouping == Grouping::Clustered) t.grouping = Grouping::Standard;
            break;
        case PlotKind::Pie:
        case PlotKind::Pie3D:
        case PlotKind::Doughnut:
            t.exploded = std::any_of(series.begin(), series.end(), exploded);
            break;
        case PlotKind::OfPie:
            t.barOfPie = valOf(group, "ofPieType", "pie") == "bar";
            break;
        case PlotKind::Scatter: {
            std::string_view style = valOf(group, "scatterStyle", "marker");
            if (series.empty()) {
                t.markers = style != "line" && style != "smooth";
                t.lines = style != "marker" && style != "none";
                t.smooth = style.starts_with("smooth");
            } else {
                t.markers = !every(series, markerHidden);
                t.lines = !every(series, lineHidden);
                t.smooth = t.lines && std::any_of(series.begin(), series.end(), [](pugi::xml_node s) {
                               return boolValOf(s, "smooth", false);
                           });
            }
            break;
        }
        case PlotKind::Radar: {
            std::string_view style = valOf(group, "radarStyle", "standard");
            t.filled = style == "filled";
            t.markers = style == "marker" && !every(series, markerHidden) && !series.empty();
            break;
        }
        case PlotKind::Surface:
        case PlotKind::Surface3D:
            t.wireframe = boolValOf(group, "wireframe", false);
            break;
        default:
            break;
    }
    return t;
}

void readChartPart(const pugi::xml_document& part, const Workbook& workbook, ChartModel& chart, const std::string& partName) {
    ChartPartLoader(workbook, chart).load(part);
    chart.markRead(partName);
}

}  // namespace tavlora::host::xlsx
