#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavlora::host {

// The kinds of plot a chart part can hold, one per chart-type element of DrawingML.
enum class PlotKind : uint8_t {
    Bar,       // c:barChart (columns and bars)
    Bar3D,     // c:bar3DChart
    Line,      // c:lineChart
    Line3D,    // c:line3DChart
    Pie,       // c:pieChart
    Pie3D,     // c:pie3DChart
    OfPie,     // c:ofPieChart (pie of pie, bar of pie)
    Doughnut,  // c:doughnutChart
    Area,      // c:areaChart
    Area3D,    // c:area3DChart
    Scatter,   // c:scatterChart
    Radar,     // c:radarChart
    // Read from templates and kept, but not offered as a type to set.
    Bubble,
    Surface,
    Surface3D,
    Stock,
};

enum class Grouping : uint8_t { Standard, Clustered, Stacked, PercentStacked };
enum class BarShape : uint8_t { Box, Cylinder, Cone, Pyramid };

// What one of the application's chart-type numbers means for the drawing. Fields that do not
// apply to a kind stay at their defaults, so two descriptions of the same type compare equal.
struct ChartTypeTraits {
    PlotKind kind = PlotKind::Bar;
    bool horizontal = false;              // Bar, Bar3D: bars instead of columns
    Grouping grouping = Grouping::Standard;  // Bar, Bar3D, Line, Area, Area3D
    BarShape shape = BarShape::Box;       // Bar3D
    bool markers = false;                 // Line, Scatter, Radar
    bool lines = false;                   // Scatter: points joined by lines
    bool smooth = false;                  // Scatter
    bool filled = false;                  // Radar
    bool exploded = false;                // Pie, Pie3D, Doughnut
    bool barOfPie = false;                // OfPie: the second plot is a bar
    bool wireframe = false;               // Surface, Surface3D

    bool operator==(const ChartTypeTraits&) const = default;
};

// The drawing a chart-type number stands for; nullopt for numbers this program cannot draw.
std::optional<ChartTypeTraits> chartTypeTraits(int32_t number);
// The chart-type number of a drawing as read from a file: the exact match, else the first type of
// the same kind (a 3-D bar chart with standard grouping reads as clustered 3-D bars).
int32_t chartTypeNumber(const ChartTypeTraits& traits);

// Pie-like kinds have no axes and show one series.
bool hasAxes(PlotKind kind);
bool isThreeD(PlotKind kind);
// Three axes (a series axis): 3-D line charts, and 3-D column and area charts with standard grouping.
bool needsSeriesAxis(const ChartTypeTraits& traits);
// The DrawingML element of a kind ("barChart").
std::string_view plotElementName(PlotKind kind);
// The kind of a DrawingML chart-type element; nullopt when the name is none.
std::optional<PlotKind> plotKindOfElement(std::string_view localName);

}  // namespace tavlora::host
