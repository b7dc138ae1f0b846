#include "host/xlsx/chart/ChartPartWriter.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

#include "base/XmlDepth.h"
#include "com/Conversions.h"
#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartPalette.h"
#include "host/Workbook.h"
#include "host/xlsx/chart/ChartPartReader.h"
#include "host/xlsx/chart/ChartXml.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

constexpr std::string_view kNewChartSpace =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<c:roundedCorners val=\"0\"/>"
    "<c:chart><c:autoTitleDeleted val=\"1\"/><c:plotArea><c:layout/></c:plotArea>"
    "<c:plotVisOnly val=\"1\"/><c:dispBlanksAs val=\"gap\"/></c:chart>"
    "</c:chartSpace>";

constexpr std::array kChartSpaceOrder = {
    std::string_view("date1904"),  std::string_view("lang"),         std::string_view("roundedCorners"),
    std::string_view("style"),     std::string_view("clrMapOvr"),    std::string_view("pivotSource"),
    std::string_view("protection"), std::string_view("chart"),       std::string_view("spPr"),
    std::string_view("txPr"),      std::string_view("externalData"), std::string_view("printSettings"),
    std::string_view("userShapes"), std::string_view("extLst")};

// Axis ids of new axes; any number works as long as it is unique in the part.
constexpr int64_t kFirstAxisId = 500000001;

bool isAxis(std::string_view local) { return local == "catAx" || local == "valAx" || local == "dateAx" || local == "serAx"; }

// XML 1.0 cannot carry most control characters; a chart's texts drop them.
std::string xmlSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') out += c;
    return out;
}

std::string numberText(double value) { return com::formatRoundTripNumber(value); }

std::string_view groupingName(Grouping grouping) {
    switch (grouping) {
        case Grouping::Clustered: return "clustered";
        case Grouping::Stacked: return "stacked";
        case Grouping::PercentStacked: return "percentStacked";
        case Grouping::Standard: break;
    }
    return "standard";
}

std::string_view shapeName(BarShape shape) {
    switch (shape) {
        case BarShape::Cylinder: return "cylinder";
        case BarShape::Cone: return "cone";
        case BarShape::Pyramid: return "pyramid";
        case BarShape::Box: break;
    }
    return "box";
}

bool isPieKind(PlotKind kind) { return !hasAxes(kind); }

class ChartPartEditor {
public:
    ChartPartEditor(const ChartModel& chart, pugi::xml_document& part)
        : chart_(chart), part_(part), workbook_(chart.workbook()), c_(""), a_("") {}

    void apply() {
        pugi::xml_node root = part_.document_element();
        if (!root || localName(root.name()) != "chartSpace")
            com::throwHostError("The chart part of '" + chart_.name() + "' holds no chart (c:chartSpace).");
        choosePrefixes(root);
        chart_element_ = ensureChild(root, c_, "chart", kChartSpaceOrder);
        plotArea_ = ensureChild(chart_element_, c_, "plotArea", chartorder::chart());
        keepOriginalSeries();
        if (chart_.typeChanged() || plotGroups().empty()) rebuildPlot();
        else refillGroups();
        applyLegend();
        applyDataTable();
        applyTitle();
    }

private:
    // ---- names ----

    void choosePrefixes(pugi::xml_node root) {
        std::string chartPrefix = prefixForNamespace(root, chartns::kChart);
        if (chartPrefix == "?") chartPrefix = prefixForNamespace(root, chartns::kStrictChart);
        if (chartPrefix == "?") chartPrefix = std::string(prefixOf(root.name()));
        c_ = QualifiedNames(chartPrefix);
        bool strict = prefixForNamespace(root, chartns::kStrictChart) != "?";
        std::string_view drawingUri = strict ? chartns::kStrictDrawingMain : chartns::kDrawingMain;
        std::string drawingPrefix = prefixForNamespace(root, drawingUri);
        if (drawingPrefix == "?") {
            std::string candidate = "a";
            while (root.attribute(("xmlns:" + candidate).c_str())) candidate += "a";
            root.append_attribute(("xmlns:" + candidate).c_str()).set_value(std::string(drawingUri).c_str());
            drawingPrefix = candidate + ":";
        }
        a_ = QualifiedNames(drawingPrefix);
    }

    // ---- groups and series ----

    std::vector<pugi::xml_node> plotGroups() const {
        std::vector<pugi::xml_node> groups;
        for (pugi::xml_node child = plotArea_.first_child(); child; child = child.next_sibling())
            if (child.type() == pugi::node_element && plotKindOfElement(localName(child.name()))) groups.push_back(child);
        return groups;
    }

    // A new series element after `previous` (the group's last series so far), or at its place among
    // the group's children for the first one: finding the place once keeps many series linear.
    pugi::xml_node nextSeriesElement(pugi::xml_node group, pugi::xml_node& previous) {
        previous = previous ? group.insert_child_after(c_("ser").c_str(), previous)
                            : insertChild(group, c_, "ser", chartorder::group());
        return previous;
    }

    // The series elements as read, by their position over all groups, so that a kept series
    // keeps its look (fill, markers, trend lines, extensions) when the groups are refilled.
    void keepOriginalSeries() {
        for (pugi::xml_node group : plotGroups())
            for (pugi::xml_node ser : childrenByLocalName(group, "ser")) originals_.push_back(holder_.append_copy(ser));
    }

    void refillGroups() {
        std::vector<pugi::xml_node> groups = plotGroups();
        std::vector<ChartTypeTraits> traits;
        for (pugi::xml_node group : groups) {
            traits.push_back(plotTraitsOf(group));
            removeChildren(group, "ser");
        }
        std::vector<bool> used(groups.size(), false);
        std::vector<pugi::xml_node> lastSeries(groups.size());
        int32_t index = 0;
        for (const auto& series : chart_.series()) {
            size_t g = series->keptIndex() >= 0 ? static_cast<size_t>(std::max(0, series->keptGroup())) : 0;
            if (g >= groups.size()) g = 0;
            used[g] = true;
            const pugi::xml_node* original = series->keptIndex() >= 0 && static_cast<size_t>(series->keptIndex()) < originals_.size()
                                                 ? &originals_[static_cast<size_t>(series->keptIndex())]
                                                 : nullptr;
            pugi::xml_node ser = nextSeriesElement(groups[g], lastSeries[g]);
            if (original) {
                pugi::xml_node copy = groups[g].insert_copy_after(*original, ser);
                groups[g].remove_child(ser);
                ser = copy;
                lastSeries[g] = copy;
            }
            writeSeries(ser, *series, index++, traits[g], original == nullptr);
        }
        dropEmptyGroups(groups, used);
    }

    // A combination chart whose series all left one of its groups loses that group, and the axes
    // no other group uses.
    void dropEmptyGroups(const std::vector<pugi::xml_node>& groups, const std::vector<bool>& used) {
        if (std::none_of(used.begin(), used.end(), [](bool u) { return u; })) {
            for (size_t g = 1; g < groups.size(); ++g) plotArea_.remove_child(groups[g]);
        } else {
            for (size_t g = 0; g < groups.size(); ++g)
                if (!used[g]) plotArea_.remove_child(groups[g]);
        }
        std::set<std::string> referenced;
        for (pugi::xml_node group : plotGroups())
            for (pugi::xml_node id : childrenByLocalName(group, "axId")) referenced.insert(id.attribute("val").value());
        std::vector<pugi::xml_node> orphans;
        for (pugi::xml_node child = plotArea_.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element || !isAxis(localName(child.name()))) continue;
            if (!referenced.count(std::string(valOf(child, "axId", "")))) orphans.push_back(child);
        }
        for (pugi::xml_node axis : orphans) plotArea_.remove_child(axis);
    }

    // A new type rebuilds the plot. Within a family (column to stacked column, line to line with
    // markers) the axes with their titles, gridlines, scales and formats stay, and so does the look
    // of the series; only what the new type needs is written anew.
    void rebuildPlot() {
        ChartTypeTraits traits = chart_.traits();
        std::vector<pugi::xml_node> groupsBefore = plotGroups();
        std::optional<ChartTypeTraits> before;
        if (groupsBefore.size() == 1) before = plotTraitsOf(groupsBefore.front());
        std::vector<pugi::xml_node> keptAxes = before ? reusableAxes(traits) : std::vector<pugi::xml_node>();
        bool sameKind = before && before->kind == traits.kind;

        std::vector<pugi::xml_node> doomed;
        for (pugi::xml_node child = plotArea_.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            std::string_view local = localName(child.name());
            if (plotKindOfElement(local) || isAxis(local)) doomed.push_back(child);
        }
        for (pugi::xml_node node : doomed) plotArea_.remove_child(node);

        applyView3D(traits);
        pugi::xml_node group = newGroupElement(traits);
        writeGroupHead(group, traits);
        int32_t index = 0;
        pugi::xml_node lastSeries;
        for (const auto& series : chart_.series()) {
            pugi::xml_node ser = nextSeriesElement(group, lastSeries);
            const pugi::xml_node* original = sameKind ? originalOf(*series) : nullptr;
            if (original) {
                pugi::xml_node copy = group.insert_copy_after(*original, ser);
                group.remove_child(ser);
                ser = lastSeries = copy;
                fitSeriesLook(ser, traits, index);
            }
            writeSeries(ser, *series, index++, traits, original == nullptr);
        }
        std::vector<int64_t> axisIds = writeGroupTail(group, traits);
        if (!keptAxes.empty()) placeKeptAxes(group, traits, *before, keptAxes, axisIds);
        else writeAxes(group, traits, axisIds);
    }

    const pugi::xml_node* originalOf(const SeriesModel& series) const {
        int32_t kept = series.keptIndex();
        return kept >= 0 && static_cast<size_t>(kept) < originals_.size() ? &originals_[static_cast<size_t>(kept)] : nullptr;
    }

    // A kept series shows markers exactly when the new type has them.
    void fitSeriesLook(pugi::xml_node ser, const ChartTypeTraits& t, int32_t index) {
        bool marked = t.kind == PlotKind::Line || t.kind == PlotKind::Scatter || (t.kind == PlotKind::Radar && !t.filled);
        if (!marked) return;
        std::string_view symbol = valOf(childByLocalName(ser, "marker"), "symbol", "");
        if (!t.markers) {
            noMarker(ser);
        } else if (symbol == "none") {
            removeChildren(ser, "marker");
            coloredMarker(ser, chartColor(static_cast<size_t>(index)));
        }
    }

    // Copies of the plot's axes when they are the kinds the new type needs (a category or date axis
    // and a value axis, a series axis when it needs one; two value axes for a scatter chart), in
    // the order the new group names them; none otherwise.
    std::vector<pugi::xml_node> reusableAxes(const ChartTypeTraits& t) {
        if (!hasAxes(t.kind)) return {};
        std::vector<pugi::xml_node> categories, values, series;
        for (pugi::xml_node child = plotArea_.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            std::string_view local = localName(child.name());
            if (local == "catAx" || local == "dateAx") categories.push_back(child);
            else if (local == "valAx") values.push_back(child);
            else if (local == "serAx") series.push_back(child);
        }
        std::vector<pugi::xml_node> order;
        if (t.kind == PlotKind::Scatter) {
            if (values.size() != 2 || !categories.empty() || !series.empty()) return {};
            order = values;
        } else {
            if (categories.size() != 1 || values.size() != 1 || series.size() != (needsSeriesAxis(t) ? 1u : 0u)) return {};
            order = {categories[0], values[0]};
            if (!series.empty()) order.push_back(series[0]);
        }
        std::vector<pugi::xml_node> copies;
        for (pugi::xml_node axis : order) copies.push_back(holder_.append_copy(axis));
        return copies;
    }

    static void setVal(pugi::xml_node parent, std::string_view local, std::string_view value) {
        if (pugi::xml_node child = childByLocalName(parent, local)) child.attribute("val").set_value(std::string(value).c_str());
    }

    static std::string_view turnedPosition(std::string_view position) {
        if (position == "b") return "l";
        if (position == "l") return "b";
        if (position == "t") return "r";
        if (position == "r") return "t";
        return position;
    }

    void placeKeptAxes(pugi::xml_node group, const ChartTypeTraits& t, const ChartTypeTraits& before,
                       const std::vector<pugi::xml_node>& axes, const std::vector<int64_t>& ids) {
        if (ids.size() != axes.size()) return writeAxes(group, t, ids);
        pugi::xml_node after = group;
        bool turned = t.kind != PlotKind::Scatter && before.horizontal != t.horizontal;
        for (size_t i = 0; i < axes.size(); ++i) {
            pugi::xml_node axis = plotArea_.insert_copy_after(axes[i], after);
            after = axis;
            setVal(axis, "axId", std::to_string(ids[i]));
            setVal(axis, "crossAx", std::to_string(ids[i == 1 ? 0 : 1]));
            if (turned) setVal(axis, "axPos", turnedPosition(valOf(axis, "axPos", "b")));
            if (i == 1 && t.kind != PlotKind::Scatter) fitValueAxis(axis, t, before);
        }
    }

    // A percent-stacked type shows percents on its value axis; leaving it goes back to the cells'
    // format. An own format the template gave the axis otherwise stays.
    void fitValueAxis(pugi::xml_node axis, const ChartTypeTraits& t, const ChartTypeTraits& before) {
        bool areaLike = t.kind == PlotKind::Area || t.kind == PlotKind::Area3D;
        setVal(axis, "crossBetween", areaLike ? "midCat" : "between");
        pugi::xml_node format = childByLocalName(axis, "numFmt");
        bool percentNow = t.grouping == Grouping::PercentStacked;
        bool percentBefore = before.grouping == Grouping::PercentStacked;
        if (percentNow == percentBefore) return;
        if (!format) {
            format = insertChild(axis, c_, "numFmt", chartorder::axis());
        }
        bool linked = isTrue(format.attribute("sourceLinked").value());
        if (percentNow && (linked || std::string_view(format.attribute("formatCode").value()) == "General")) {
            setAttribute(format, "formatCode", "0%");
            setAttribute(format, "sourceLinked", "0");
        } else if (!percentNow && !linked && std::string_view(format.attribute("formatCode").value()) == "0%") {
            setAttribute(format, "formatCode", valueFormat());
            setAttribute(format, "sourceLinked", "1");
        }
    }

    static void setAttribute(pugi::xml_node node, const char* name, std::string_view value) {
        pugi::xml_attribute a = node.attribute(name);
        if (!a) a = node.append_attribute(name);
        a.set_value(std::string(value).c_str());
    }

    // The format of the cells behind the first series's values (or categories): axes linked to
    // their source show dates as dates and percents as percents.
    std::string sourceFormat(bool categories) const {
        if (chart_.series().empty()) return "General";
        const SeriesModel& first = *chart_.series().front();
        const SeriesData& data = categories ? first.xValuesData() : first.valuesData();
        if (data.kind != SeriesData::Kind::Reference) return "General";
        ResolvedData resolved = resolveSeriesData(*workbook_, data);
        if (categories && !resolved.numeric()) return "General";
        return resolved.formatCode.empty() ? "General" : xmlSafe(resolved.formatCode);
    }
    std::string valueFormat() const { return sourceFormat(false); }

    pugi::xml_node newGroupElement(const ChartTypeTraits& traits) {
        std::string name = c_(plotElementName(traits.kind));
        for (pugi::xml_node child = plotArea_.first_child(); child; child = child.next_sibling())
            if (child.type() == pugi::node_element && localName(child.name()) != "layout")
                return plotArea_.insert_child_before(name.c_str(), child);
        return plotArea_.append_child(name.c_str());
    }

    pugi::xml_node val(pugi::xml_node parent, std::string_view local, std::string_view value) {
        pugi::xml_node node = parent.append_child(c_(local).c_str());
        node.append_attribute("val").set_value(std::string(value).c_str());
        return node;
    }

    void writeGroupHead(pugi::xml_node group, const ChartTypeTraits& t) {
        switch (t.kind) {
            case PlotKind::Bar:
            case PlotKind::Bar3D:
                val(group, "barDir", t.horizontal ? "bar" : "col");
                val(group, "grouping", groupingName(t.grouping));
                break;
            case PlotKind::Line:
            case PlotKind::Area:
            case PlotKind::Area3D:
                val(group, "grouping", groupingName(t.grouping));
                break;
            case PlotKind::Line3D:
                val(group, "grouping", "standard");
                break;
            case PlotKind::OfPie:
                val(group, "ofPieType", t.barOfPie ? "bar" : "pie");
                break;
            case PlotKind::Scatter:
                val(group, "scatterStyle", t.smooth ? "smoothMarker" : "lineMarker");
                break;
            case PlotKind::Radar:
                val(group, "radarStyle", t.filled ? "filled" : "marker");
                break;
            default:
                break;
        }
        val(group, "varyColors", isPieKind(t.kind) ? "1" : "0");
    }

    // The group's settings after its series, and its axis ids.
    std::vector<int64_t> writeGroupTail(pugi::xml_node group, const ChartTypeTraits& t) {
        switch (t.kind) {
            case PlotKind::Bar:
                val(group, "gapWidth", "150");
                if (t.grouping == Grouping::Stacked || t.grouping == Grouping::PercentStacked) val(group, "overlap", "100");
                break;
            case PlotKind::Bar3D:
                val(group, "gapWidth", "150");
                val(group, "shape", shapeName(t.shape));
                break;
            case PlotKind::Line:
                val(group, "marker", t.markers ? "1" : "0");
                break;
            case PlotKind::Pie:
                val(group, "firstSliceAng", "0");
                break;
            case PlotKind::Doughnut:
                val(group, "firstSliceAng", "0");
                val(group, "holeSize", "50");
                break;
            case PlotKind::OfPie:
                val(group, "gapWidth", "100");
                val(group, "secondPieSize", "75");
                group.append_child(c_("serLines").c_str());
                break;
            default:
                break;
        }
        if (!hasAxes(t.kind)) return {};
        std::vector<int64_t> ids = {kFirstAxisId, kFirstAxisId + 1};
        bool threeIds = t.kind == PlotKind::Bar3D || t.kind == PlotKind::Line3D || t.kind == PlotKind::Area3D;
        if (needsSeriesAxis(t)) ids.push_back(kFirstAxisId + 2);
        for (int64_t id : ids) val(group, "axId", std::to_string(id));
        // 3-D groups without a series axis name a third axis 0, as the application writes them.
        if (threeIds && !needsSeriesAxis(t)) val(group, "axId", "0");
        return ids;
    }

    pugi::xml_node newAxis(pugi::xml_node after, std::string_view local, int64_t id, std::string_view position) {
        pugi::xml_node axis = plotArea_.insert_child_after(c_(local).c_str(), after);
        val(axis, "axId", std::to_string(id));
        val(axis.append_child(c_("scaling").c_str()), "orientation", "minMax");
        val(axis, "delete", "0");
        val(axis, "axPos", position);
        return axis;
    }

    // `numberFormat` empty: the format of the source cells (`sourceFormat`), linked to them.
    void axisTicks(pugi::xml_node axis, bool gridlines, std::string_view numberFormat, int64_t crossAxis,
                   const std::string& linkedFormat = "General") {
        if (gridlines) {
            // The gridlines element must come right after axPos.
            axis.insert_child_after(c_("majorGridlines").c_str(), childByLocalName(axis, "axPos"));
        }
        pugi::xml_node format = axis.append_child(c_("numFmt").c_str());
        bool linked = numberFormat.empty();
        format.append_attribute("formatCode").set_value(linked ? linkedFormat.c_str() : std::string(numberFormat).c_str());
        format.append_attribute("sourceLinked").set_value(linked ? "1" : "0");
        val(axis, "majorTickMark", "out");
        val(axis, "minorTickMark", "none");
        val(axis, "tickLblPos", "nextTo");
        val(axis, "crossAx", std::to_string(crossAxis));
        val(axis, "crosses", "autoZero");
    }

    void writeAxes(pugi::xml_node group, const ChartTypeTraits& t, const std::vector<int64_t>& ids) {
        if (ids.size() < 2) return;
        if (t.kind == PlotKind::Scatter) {
            pugi::xml_node x = newAxis(group, "valAx", ids[0], "b");
            axisTicks(x, false, "", ids[1], sourceFormat(true));
            val(x, "crossBetween", "midCat");
            pugi::xml_node y = newAxis(x, "valAx", ids[1], "l");
            axisTicks(y, true, "", ids[0], valueFormat());
            val(y, "crossBetween", "midCat");
            return;
        }
        pugi::xml_node category = newAxis(group, "catAx", ids[0], t.horizontal ? "l" : "b");
        axisTicks(category, t.kind == PlotKind::Radar, "", ids[1], sourceFormat(true));
        val(category, "auto", "1");
        val(category, "lblAlgn", "ctr");
        val(category, "lblOffset", "100");
        val(category, "noMultiLvlLbl", "0");
        pugi::xml_node value = newAxis(category, "valAx", ids[1], t.horizontal ? "b" : "l");
        std::string_view format = t.grouping == Grouping::PercentStacked ? "0%" : "";
        axisTicks(value, true, format, ids[0], valueFormat());
        bool areaLike = t.kind == PlotKind::Area || t.kind == PlotKind::Area3D;
        val(value, "crossBetween", areaLike ? "midCat" : "between");
        if (ids.size() > 2) {
            pugi::xml_node series = newAxis(value, "serAx", ids[2], "b");
            axisTicks(series, false, "", ids[1]);
            // serAx has no numFmt of its own worth keeping; the schema allows it.
        }
    }

    void applyView3D(const ChartTypeTraits& t) {
        if (!isThreeD(t.kind)) {
            for (std::string_view local : {"view3D", "floor", "sideWall", "backWall"}) removeChildren(chart_element_, local);
            return;
        }
        if (childByLocalName(chart_element_, "view3D")) return;
        pugi::xml_node view = ensureChild(chart_element_, c_, "view3D", chartorder::chart());
        bool pie = t.kind == PlotKind::Pie3D;
        bool rightAngles = !pie && !needsSeriesAxis(t);
        val(view, "rotX", pie ? "30" : "15");
        val(view, "rotY", pie ? "0" : "20");
        val(view, "rAngAx", rightAngles ? "1" : "0");
        if (!rightAngles) val(view, "perspective", "30");
    }

    // ---- one series ----

    void writeSeries(pugi::xml_node ser, const SeriesModel& series, int32_t index, const ChartTypeTraits& t, bool fresh) {
        setValChild(ser, c_, "idx", std::to_string(index), chartorder::series());
        setValChild(ser, c_, "order", std::to_string(index), chartorder::series());
        writeName(ser, series.nameData());
        if (fresh) writeSeriesLook(ser, t, index, series);
        if (series.labelsSet()) writeLabels(ser, series.labels());
        bool xy = t.kind == PlotKind::Scatter || t.kind == PlotKind::Bubble;
        writeData(ser, xy ? "xVal" : "cat", series.xValuesData(), false);
        writeData(ser, xy ? "yVal" : "val", series.valuesData(), true);
    }

    void noMarker(pugi::xml_node ser) {
        pugi::xml_node marker = ensureChild(ser, c_, "marker", chartorder::series());
        removeChildren(marker, "symbol");
        val(marker, "symbol", "none");
    }

    void solidFill(pugi::xml_node parent, std::string_view color) {
        parent.append_child(a_("solidFill").c_str())
            .append_child(a_("srgbClr").c_str())
            .append_attribute("val")
            .set_value(std::string(color).c_str());
    }

    void coloredLine(pugi::xml_node shape, std::string_view color, const char* width) {
        pugi::xml_node line = shape.append_child(a_("ln").c_str());
        line.append_attribute("w").set_value(width);
        solidFill(line, color);
    }

    void coloredMarker(pugi::xml_node ser, std::string_view color) {
        pugi::xml_node marker = ensureChild(ser, c_, "marker", chartorder::series());
        val(marker, "symbol", "circle");
        val(marker, "size", "5");
        pugi::xml_node shape = marker.append_child(c_("spPr").c_str());
        solidFill(shape, color);
        coloredLine(shape, color, "9525");
    }

    // Pie slices take the colours in turn, one data point each.
    void coloredSlices(pugi::xml_node ser, const SeriesModel& series) {
        size_t points = resolveSeriesData(*workbook_, series.valuesData()).points.size();
        for (size_t i = 0; i < points; ++i) {
            pugi::xml_node point = insertChild(ser, c_, "dPt", chartorder::series());
            val(point, "idx", std::to_string(i));
            val(point, "bubble3D", "0");
            pugi::xml_node shape = point.append_child(c_("spPr").c_str());
            solidFill(shape, chartColor(i));
            coloredLine(shape, "FFFFFF", "12700");
        }
    }

    // A new series's look: its colour named outright, and what its chart type asks of it.
    void writeSeriesLook(pugi::xml_node ser, const ChartTypeTraits& t, int32_t index, const SeriesModel& series) {
        std::string_view color = chartColor(static_cast<size_t>(index));
        pugi::xml_node shape = ensureChild(ser, c_, "spPr", chartorder::series());
        switch (t.kind) {
            case PlotKind::Bar:
            case PlotKind::Bar3D:
                solidFill(shape, color);
                setValChild(ser, c_, "invertIfNegative", "0", chartorder::series());
                break;
            case PlotKind::Area:
            case PlotKind::Area3D:
                solidFill(shape, color);
                break;
            case PlotKind::Line:
            case PlotKind::Line3D:
                coloredLine(shape, color, "28575");
                if (t.kind == PlotKind::Line3D) break;
                if (t.markers) coloredMarker(ser, color);
                else noMarker(ser);
                setValChild(ser, c_, "smooth", "0", chartorder::series());
                break;
            case PlotKind::Scatter: {
                if (t.lines) {
                    coloredLine(shape, color, "19050");
                } else {
                    pugi::xml_node line = shape.append_child(a_("ln").c_str());
                    line.append_attribute("w").set_value("19050");
                    line.append_child(a_("noFill").c_str());
                }
                if (t.markers) coloredMarker(ser, color);
                else noMarker(ser);
                setValChild(ser, c_, "smooth", t.smooth ? "1" : "0", chartorder::series());
                break;
            }
            case PlotKind::Radar:
                if (t.filled) {
                    solidFill(shape, color);
                } else {
                    coloredLine(shape, color, "28575");
                    if (t.markers) coloredMarker(ser, color);
                    else noMarker(ser);
                }
                break;
            case PlotKind::Pie:
            case PlotKind::Pie3D:
            case PlotKind::Doughnut:
            case PlotKind::OfPie:
                ser.remove_child(shape);
                if (t.exploded) setValChild(ser, c_, "explosion", "25", chartorder::series());
                coloredSlices(ser, series);
                break;
            default:
                ser.remove_child(shape);
                break;
        }
    }

    void writeLabels(pugi::xml_node ser, const DataLabelFlags& flags) {
        // The look of labels the part already had (number format, fill, font, position) stays.
        pugi::xml_document kept;
        if (pugi::xml_node old = childByLocalName(ser, "dLbls"))
            for (std::string_view local : {"numFmt", "spPr", "txPr", "dLblPos"})
                if (pugi::xml_node piece = childByLocalName(old, local); piece && flags.any()) kept.append_copy(piece);
        removeChildren(ser, "dLbls");
        pugi::xml_node labels = insertChild(ser, c_, "dLbls", chartorder::series());
        for (pugi::xml_node piece = kept.first_child(); piece; piece = piece.next_sibling()) labels.append_copy(piece);
        val(labels, "showLegendKey", flags.legendKey && flags.any() ? "1" : "0");
        val(labels, "showVal", flags.value ? "1" : "0");
        val(labels, "showCatName", flags.category ? "1" : "0");
        val(labels, "showSerName", flags.seriesName ? "1" : "0");
        val(labels, "showPercent", flags.percent ? "1" : "0");
        val(labels, "showBubbleSize", flags.bubbleSize ? "1" : "0");
    }

    void appendKept(pugi::xml_node parent, const std::string& xml) {
        pugi::xml_document fragment;
        if (fragment.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_fragment))
            for (pugi::xml_node node = fragment.first_child(); node; node = node.next_sibling()) parent.append_copy(node);
    }

    void writeName(pugi::xml_node ser, const SeriesData& data) {
        removeChildren(ser, "tx");
        if (data.kind == SeriesData::Kind::None) return;
        pugi::xml_node tx = insertChild(ser, c_, "tx", chartorder::series());
        switch (data.kind) {
            case SeriesData::Kind::Literal: {
                std::string text;
                for (const ResolvedPoint& p : resolveSeriesData(*workbook_, data).points) text += p.text;
                tx.append_child(c_("v").c_str()).text().set(xmlSafe(text).c_str());
                break;
            }
            case SeriesData::Kind::Reference: {
                pugi::xml_node ref = tx.append_child(c_("strRef").c_str());
                ref.append_child(c_("f").c_str()).text().set(data.reference.a1().c_str());
                appendTextCache(ref.append_child(c_("strCache").c_str()), resolveSeriesData(*workbook_, data));
                break;
            }
            case SeriesData::Kind::Kept:
                appendKept(tx, data.keptXml);
                break;
            case SeriesData::Kind::None:
                break;
        }
    }

    void writeData(pugi::xml_node ser, std::string_view local, const SeriesData& data, bool numbersOnly) {
        removeChildren(ser, local);
        if (data.kind == SeriesData::Kind::None) return;
        pugi::xml_node holder = insertChild(ser, c_, local, chartorder::series());
        if (data.kind == SeriesData::Kind::Kept) {
            appendKept(holder, data.keptXml);
            return;
        }
        ResolvedData resolved = resolveSeriesData(*workbook_, data);
        bool numeric = numbersOnly || resolved.numeric();
        if (data.kind == SeriesData::Kind::Reference) {
            pugi::xml_node ref = holder.append_child(c_(numeric ? "numRef" : "strRef").c_str());
            ref.append_child(c_("f").c_str()).text().set(data.reference.a1().c_str());
            if (numeric) appendNumberCache(ref.append_child(c_("numCache").c_str()), resolved);
            else appendTextCache(ref.append_child(c_("strCache").c_str()), resolved);
            return;
        }
        resolved.formatCode = "General";
        if (numeric) appendNumberCache(holder.append_child(c_("numLit").c_str()), resolved);
        else appendTextCache(holder.append_child(c_("strLit").c_str()), resolved);
    }

    void appendNumberCache(pugi::xml_node cache, const ResolvedData& data) {
        cache.append_child(c_("formatCode").c_str()).text().set(xmlSafe(data.formatCode).c_str());
        val(cache, "ptCount", std::to_string(data.points.size()));
        for (size_t i = 0; i < data.points.size(); ++i) {
            const com::Variant& value = data.points[i].value;
            if (!value.isNumeric()) continue;
            pugi::xml_node pt = cache.append_child(c_("pt").c_str());
            pt.append_attribute("idx").set_value(static_cast<unsigned long long>(i));
            pt.append_child(c_("v").c_str()).text().set(numberText(com::toDouble(value)).c_str());
        }
    }

    void appendTextCache(pugi::xml_node cache, const ResolvedData& data) {
        val(cache, "ptCount", std::to_string(data.points.size()));
        for (size_t i = 0; i < data.points.size(); ++i) {
            if (data.points[i].text.empty()) continue;
            pugi::xml_node pt = cache.append_child(c_("pt").c_str());
            pt.append_attribute("idx").set_value(static_cast<unsigned long long>(i));
            pt.append_child(c_("v").c_str()).text().set(xmlSafe(data.points[i].text).c_str());
        }
    }

    // ---- legend, data table, title ----

    void applyLegend() {
        pugi::xml_node legend = childByLocalName(chart_element_, "legend");
        if (chart_.hasLegend() && !legend) {
            legend = ensureChild(chart_element_, c_, "legend", chartorder::chart());
            val(legend, "legendPos", "r");
            val(legend, "overlay", "0");
        } else if (!chart_.hasLegend() && legend) {
            chart_element_.remove_child(legend);
        }
    }

    void applyDataTable() {
        pugi::xml_node table = childByLocalName(plotArea_, "dTable");
        bool wanted = chart_.hasDataTable() && hasAxes(chart_.traits().kind);
        if (wanted && !table) {
            table = ensureChild(plotArea_, c_, "dTable", chartorder::plotArea());
            for (std::string_view flag : {"showHorzBorder", "showVertBorder", "showOutline", "showKeys"}) val(table, flag, "1");
        } else if (!wanted && table) {
            plotArea_.remove_child(table);
        }
    }

    void applyTitle() {
        pugi::xml_node title = childByLocalName(chart_element_, "title");
        if (!chart_.hasTitle()) {
            // A part without a title may show an automatic one; that stays unless the title was
            // switched off.
            if (title || chart_.titleTextChanged()) setValChild(chart_element_, c_, "autoTitleDeleted", "1", chartorder::chart());
            if (title) chart_element_.remove_child(title);
            return;
        }
        if (!title) {
            title = ensureChild(chart_element_, c_, "title", chartorder::chart());
            setValChild(title, c_, "overlay", "0", chartorder::title());
            writeTitleText(title, chart_.titleText());
        } else if (chart_.titleTextChanged()) {
            writeTitleText(title, chart_.titleText());
        }
        setValChild(chart_element_, c_, "autoTitleDeleted", "0", chartorder::chart());
    }

    // One paragraph per line; the look of the title's first paragraph and run stays.
    void writeTitleText(pugi::xml_node title, const std::string& text) {
        pugi::xml_document kept;
        pugi::xml_node bodyPr, listStyle, paragraphPr, runPr;
        if (pugi::xml_node rich = childByLocalName(childByLocalName(title, "tx"), "rich")) {
            if (pugi::xml_node n = childByLocalName(rich, "bodyPr")) bodyPr = kept.append_copy(n);
            if (pugi::xml_node n = childByLocalName(rich, "lstStyle")) listStyle = kept.append_copy(n);
            pugi::xml_node p = childByLocalName(rich, "p");
            if (pugi::xml_node n = childByLocalName(p, "pPr")) paragraphPr = kept.append_copy(n);
            if (pugi::xml_node n = childByLocalName(childByLocalName(p, "r"), "rPr")) runPr = kept.append_copy(n);
        }
        removeChildren(title, "tx");
        if (text.empty()) return;  // the automatic title
        pugi::xml_node rich = insertChild(title, c_, "tx", chartorder::title()).append_child(c_("rich").c_str());
        if (bodyPr) rich.append_copy(bodyPr);
        else rich.append_child(a_("bodyPr").c_str());
        if (listStyle) rich.append_copy(listStyle);
        else rich.append_child(a_("lstStyle").c_str());
        std::string safe = xmlSafe(text);
        size_t start = 0;
        for (;;) {
            size_t end = safe.find('\n', start);
            std::string line = safe.substr(start, end == std::string::npos ? std::string::npos : end - start);
            pugi::xml_node p = rich.append_child(a_("p").c_str());
            if (paragraphPr) p.append_copy(paragraphPr);
            pugi::xml_node run = p.append_child(a_("r").c_str());
            if (runPr) {
                run.append_copy(runPr);
            } else {
                run.append_child(a_("rPr").c_str()).append_attribute("lang").set_value("en-US");
            }
            run.append_child(a_("t").c_str()).text().set(line.c_str());
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }

    const ChartModel& chart_;
    pugi::xml_document& part_;
    std::shared_ptr<Workbook> workbook_;
    QualifiedNames c_;
    QualifiedNames a_;
    pugi::xml_node chart_element_;
    pugi::xml_node plotArea_;
    pugi::xml_document holder_;
    std::vector<pugi::xml_node> originals_;
};

}  // namespace

void applyChartModel(const ChartModel& chart, pugi::xml_document& part) { ChartPartEditor(chart, part).apply(); }

std::string chartPartXml(const ChartModel& chart, std::string_view original) {
    pugi::xml_document part;
    std::string_view source = original.empty() ? kNewChartSpace : original;
    pugi::xml_parse_result parsed = part.load_buffer(source.data(), source.size(), kPartParseOptions);
    if (!parsed) com::throwHostError("The chart part of '" + chart.name() + "' cannot be read: " + parsed.description());
    if (base::nestsDeeperThan(part))
        com::throwHostError("The chart part of '" + chart.name() + "' cannot be read: its elements nest too deep");
    applyChartModel(chart, part);
    std::string out;
    StringWriter writer(out);
    part.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + out;
}

}  // namespace tavlora::host::xlsx
