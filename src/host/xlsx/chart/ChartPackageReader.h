#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "host/xlsx/chart/ChartDrawing.h"

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::xlsx {

class PackageContents;

// A chart sheet, drawing or chart part as a chart reader parsed it.
struct ParsedChartPart {
    pugi::xml_document document;
    // The part's chart frames as a drawing (readDrawingChartFrames): none for the other parts.
    std::vector<DrawingChartFrame> frames;
};

// The chart sheet, drawing and chart parts a chart reader parsed, by part name, read only: the
// workbooks read from one cached template read the same parts, and parsing them and finding the
// drawings' frames is most of what reading a chart costs.
using ParsedChartParts = std::unordered_map<std::string, std::shared_ptr<const ParsedChartPart>>;

// Finds the charts of a package that was read: each chart sheet's chart (chart sheet part ->
// drawing -> chart part) and each worksheet's chart objects (the sheet's drawing and the chart
// frames in it), and loads them into the workbook's model. The parts stay as read in `contents`;
// a chart part that cannot be read is left there untouched and is not modelled. Parts found in
// `known` (parsed from the same package as read) are taken from there; parts parsed here are
// added to `learned`.
void readWorkbookCharts(const PackageContents& contents, Workbook& workbook, const ParsedChartParts* known = nullptr,
                        ParsedChartParts* learned = nullptr);

}  // namespace tavlora::host::xlsx
