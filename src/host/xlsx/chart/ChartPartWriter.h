#pragma once
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace tavlora::host {
class ChartModel;
}

namespace tavlora::host::xlsx {

// The chart part (c:chartSpace) of a chart. `original` is the part the chart was read from, or ""
// for a new chart. What the model holds is written over the original: series (with the current
// values of the cells they refer to in their caches), plot type, legend, data table, data labels
// and title; everything else of the original (formatting, axes, styles, extensions) stays.
// When the plot type was changed, the chart-type groups and axes are built anew.
std::string chartPartXml(const ChartModel& chart, std::string_view original);

// The same on a parsed part, for tests and for callers that hold the document already.
void applyChartModel(const ChartModel& chart, pugi::xml_document& part);

}  // namespace tavlora::host::xlsx
