#pragma once
#include <string>

#include <pugixml.hpp>

#include "host/chart/ChartType.h"

namespace tavlora::host {
class ChartModel;
class Workbook;
}  // namespace tavlora::host

namespace tavlora::host::xlsx {

// Reads a chart part (c:chartSpace) into a new chart model: the type of its first chart-type
// group, every series of every group with its name, values and categories, the data labels, the
// legend, the data table and the title. References into sheets the workbook has become references
// the model follows; others (names, other workbooks) are kept as read with their cached values.
// The model then counts as unchanged, remembering `partName`.
void readChartPart(const pugi::xml_document& part, const Workbook& workbook, ChartModel& chart,
                   const std::string& partName);

// What a chart-type group element (c:barChart, c:lineChart, ...) draws. Attributes left out take
// the schema's defaults; line, scatter and radar markers and lines are judged by the series.
ChartTypeTraits plotTraitsOf(pugi::xml_node group);

}  // namespace tavlora::host::xlsx
