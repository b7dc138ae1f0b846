#include "host/chart/ChartType.h"

#include <array>
#include <span>

namespace tavlora::host {

namespace {

struct TypeEntry {
    int32_t number;
    ChartTypeTraits traits;
};

constexpr ChartTypeTraits bar(bool horizontal, Grouping grouping) {
    ChartTypeTraits t;
    t.kind = PlotKind::Bar;
    t.horizontal = horizontal;
    t.grouping = grouping;
    return t;
}

constexpr ChartTypeTraits bar3D(bool horizontal, Grouping grouping, BarShape shape) {
    ChartTypeTraits t;
    t.kind = PlotKind::Bar3D;
    t.horizontal = horizontal;
    t.grouping = grouping;
    t.shape = shape;
    return t;
}

constexpr ChartTypeTraits line(Grouping grouping, bool markers) {
    ChartTypeTraits t;
    t.kind = PlotKind::Line;
    t.grouping = grouping;
    t.markers = markers;
    return t;
}

constexpr ChartTypeTraits ofKind(PlotKind kind) {
    ChartTypeTraits t;
    t.kind = kind;
    return t;
}

constexpr ChartTypeTraits exploded(PlotKind kind) {
    ChartTypeTraits t;
    t.kind = kind;
    t.exploded = true;
    return t;
}

constexpr ChartTypeTraits area(PlotKind kind, Grouping grouping) {
    ChartTypeTraits t;
    t.kind = kind;
    t.grouping = grouping;
    return t;
}

constexpr ChartTypeTraits scatter(bool markers, bool lines, bool smooth) {
    ChartTypeTraits t;
    t.kind = PlotKind::Scatter;
    t.markers = markers;
    t.lines = lines;
    t.smooth = smooth;
    return t;
}

constexpr ChartTypeTraits radar(bool markers, bool filled) {
    ChartTypeTraits t;
    t.kind = PlotKind::Radar;
    t.markers = markers;
    t.filled = filled;
    return t;
}

constexpr ChartTypeTraits ofPie(bool barOfPie) {
    ChartTypeTraits t;
    t.kind = PlotKind::OfPie;
    t.barOfPie = barOfPie;
    return t;
}

constexpr ChartTypeTraits surface(PlotKind kind, bool wireframe) {
    ChartTypeTraits t;
    t.kind = kind;
    t.wireframe = wireframe;
    return t;
}

using G = Grouping;
using S = BarShape;

// The seven shaped 3-D bar types of one shape, in the application's numbering order.
constexpr std::array<TypeEntry, 7> shaped(int32_t first, BarShape shape) {
    return {{{first, bar3D(false, G::Clustered, shape)},
             {first + 1, bar3D(false, G::Stacked, shape)},
             {first + 2, bar3D(false, G::PercentStacked, shape)},
             {first + 3, bar3D(true, G::Clustered, shape)},
             {first + 4, bar3D(true, G::Stacked, shape)},
             {first + 5, bar3D(true, G::PercentStacked, shape)},
             {first + 6, bar3D(false, G::Standard, shape)}}};
}

// Settable types first; within a kind, the type a drawing falls back to comes first.
constexpr std::array kSettable = {
    TypeEntry{51, bar(false, G::Clustered)},
    TypeEntry{52, bar(false, G::Stacked)},
    TypeEntry{53, bar(false, G::PercentStacked)},
    TypeEntry{57, bar(true, G::Clustered)},
    TypeEntry{58, bar(true, G::Stacked)},
    TypeEntry{59, bar(true, G::PercentStacked)},
    TypeEntry{54, bar3D(false, G::Clustered, S::Box)},
    TypeEntry{55, bar3D(false, G::Stacked, S::Box)},
    TypeEntry{56, bar3D(false, G::PercentStacked, S::Box)},
    TypeEntry{-4100, bar3D(false, G::Standard, S::Box)},
    TypeEntry{60, bar3D(true, G::Clustered, S::Box)},
    TypeEntry{61, bar3D(true, G::Stacked, S::Box)},
    TypeEntry{62, bar3D(true, G::PercentStacked, S::Box)},
    TypeEntry{4, line(G::Standard, false)},
    TypeEntry{63, line(G::Stacked, false)},
    TypeEntry{64, line(G::PercentStacked, false)},
    TypeEntry{65, line(G::Standard, true)},
    TypeEntry{66, line(G::Stacked, true)},
    TypeEntry{67, line(G::PercentStacked, true)},
    TypeEntry{-4101, ofKind(PlotKind::Line3D)},
    TypeEntry{5, ofKind(PlotKind::Pie)},
    TypeEntry{69, exploded(PlotKind::Pie)},
    TypeEntry{-4102, ofKind(PlotKind::Pie3D)},
    TypeEntry{70, exploded(PlotKind::Pie3D)},
    TypeEntry{68, ofPie(false)},
    TypeEntry{71, ofPie(true)},
    TypeEntry{-4120, ofKind(PlotKind::Doughnut)},
    TypeEntry{80, exploded(PlotKind::Doughnut)},
    TypeEntry{1, area(PlotKind::Area, G::Standard)},
    TypeEntry{76, area(PlotKind::Area, G::Stacked)},
    TypeEntry{77, area(PlotKind::Area, G::PercentStacked)},
    TypeEntry{-4098, area(PlotKind::Area3D, G::Standard)},
    TypeEntry{78, area(PlotKind::Area3D, G::Stacked)},
    TypeEntry{79, area(PlotKind::Area3D, G::PercentStacked)},
    TypeEntry{-4169, scatter(true, false, false)},
    TypeEntry{72, scatter(true, true, true)},
    TypeEntry{73, scatter(false, true, true)},
    TypeEntry{74, scatter(true, true, false)},
    TypeEntry{75, scatter(false, true, false)},
    TypeEntry{-4151, radar(false, false)},
    TypeEntry{81, radar(true, false)},
    TypeEntry{82, radar(false, true)},
};

constexpr auto kCylinder = shaped(92, S::Cylinder);
constexpr auto kCone = shaped(99, S::Cone);
constexpr auto kPyramid = shaped(106, S::Pyramid);

// Kinds a template may hold that this program keeps and reports but does not draw anew.
constexpr std::array kReadOnly = {
    TypeEntry{15, ofKind(PlotKind::Bubble)},
    TypeEntry{83, surface(PlotKind::Surface3D, false)},
    TypeEntry{84, surface(PlotKind::Surface3D, true)},
    TypeEntry{85, surface(PlotKind::Surface, false)},
    TypeEntry{86, surface(PlotKind::Surface, true)},
    TypeEntry{88, ofKind(PlotKind::Stock)},
};

constexpr std::array<std::span<const TypeEntry>, 4> kDrawable = {
    std::span<const TypeEntry>(kSettable), std::span<const TypeEntry>(kCylinder),
    std::span<const TypeEntry>(kCone), std::span<const TypeEntry>(kPyramid)};

struct ElementName {
    PlotKind kind;
    std::string_view name;
};

constexpr std::array kElementNames = {
    ElementName{PlotKind::Bar, "barChart"},         ElementName{PlotKind::Bar3D, "bar3DChart"},
    ElementName{PlotKind::Line, "lineChart"},       ElementName{PlotKind::Line3D, "line3DChart"},
    ElementName{PlotKind::Pie, "pieChart"},         ElementName{PlotKind::Pie3D, "pie3DChart"},
    ElementName{PlotKind::OfPie, "ofPieChart"},     ElementName{PlotKind::Doughnut, "doughnutChart"},
    ElementName{PlotKind::Area, "areaChart"},       ElementName{PlotKind::Area3D, "area3DChart"},
    ElementName{PlotKind::Scatter, "scatterChart"}, ElementName{PlotKind::Radar, "radarChart"},
    ElementName{PlotKind::Bubble, "bubbleChart"},   ElementName{PlotKind::Surface, "surfaceChart"},
    ElementName{PlotKind::Surface3D, "surface3DChart"}, ElementName{PlotKind::Stock, "stockChart"},
};

}  // namespace

std::optional<ChartTypeTraits> chartTypeTraits(int32_t number) {
    for (auto table : kDrawable)
        for (const TypeEntry& entry : table)
            if (entry.number == number) return entry.traits;
    return std::nullopt;
}

int32_t chartTypeNumber(const ChartTypeTraits& traits) {
    for (auto table : kDrawable)
        for (const TypeEntry& entry : table)
            if (entry.traits == traits) return entry.number;
    for (const TypeEntry& entry : kReadOnly)
        if (entry.traits == traits) return entry.number;
    for (auto table : kDrawable)
        for (const TypeEntry& entry : table)
            if (entry.traits.kind == traits.kind && entry.traits.shape == traits.shape) return entry.number;
    for (const TypeEntry& entry : kReadOnly)
        if (entry.traits.kind == traits.kind) return entry.number;
    return 51;
}

bool hasAxes(PlotKind kind) {
    return kind != PlotKind::Pie && kind != PlotKind::Pie3D && kind != PlotKind::OfPie && kind != PlotKind::Doughnut;
}

bool isThreeD(PlotKind kind) {
    return kind == PlotKind::Bar3D || kind == PlotKind::Line3D || kind == PlotKind::Pie3D ||
           kind == PlotKind::Area3D || kind == PlotKind::Surface3D;
}

bool needsSeriesAxis(const ChartTypeTraits& traits) {
    if (traits.kind == PlotKind::Line3D || traits.kind == PlotKind::Surface3D) return true;
    return (traits.kind == PlotKind::Bar3D || traits.kind == PlotKind::Area3D) && traits.grouping == Grouping::Standard;
}

std::string_view plotElementName(PlotKind kind) {
    for (const ElementName& e : kElementNames)
        if (e.kind == kind) return e.name;
    return "barChart";
}

std::optional<PlotKind> plotKindOfElement(std::string_view localName) {
    for (const ElementName& e : kElementNames)
        if (e.name == localName) return e.kind;
    return std::nullopt;
}

}  // namespace tavlora::host
