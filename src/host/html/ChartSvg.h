#pragma once
#include <string>

namespace tavlora::host {
class ChartModel;
}

namespace tavlora::host::html {

// The chart as an inline SVG drawing of `width` by `height` CSS pixels, for the web page: title,
// legend, the plot (columns and bars, lines, areas, pie and doughnut slices, scatter points, radar
// polygons) with axes, data labels and the data table, from the values the chart's series refer to
// now. Every text is escaped; the drawing loads nothing.
// `categoriesReversed`: the category axis runs backwards (bars from the top, columns from the
// right), as a template's axis may be set.
std::string chartSvg(const ChartModel& chart, double width, double height, bool categoriesReversed = false);

}  // namespace tavlora::host::html
