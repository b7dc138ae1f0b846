#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "host/chart/ChartAnchor.h"

namespace tavlora::host {
class ChartObject;
class EmbeddedChart;
}  // namespace tavlora::host

// Drawing parts (xdr:wsDr) as far as charts are concerned: the frames that show charts on a
// worksheet or a chart sheet, and the chart sheet part that points at its drawing.
namespace tavlora::host::xlsx {

struct DrawingChartFrame {
    int32_t frameIndex = 0;  // position among the element children of the drawing's root
    ChartAnchor anchor;
    std::string name;
    uint32_t shapeId = 0;
    std::string chartRelationshipId;  // r:id of the c:chart element
};

// Every anchored graphic frame of the drawing that shows a DrawingML chart, in order. Frames
// inside markup-compatibility blocks (newer chart kinds) are not charts to this program.
std::vector<DrawingChartFrame> readDrawingChartFrames(const pugi::xml_document& drawing);

// The drawing part of a worksheet's chart objects: `original` ("" for a new drawing) with the
// anchors and names of the objects it held brought up to date, and a frame appended for each new
// object, whose chart relationship id `newRelationshipIds` gives.
std::string worksheetDrawingXml(std::string_view original, const std::vector<std::shared_ptr<ChartObject>>& objects,
                                const std::unordered_map<const EmbeddedChart*, std::string>& newRelationshipIds);

// A chart sheet's drawing: one frame over the whole sheet.
std::string chartSheetDrawingXml(const std::string& chartRelationshipId);

// A chart sheet part whose drawing is `drawingRelationshipId`.
std::string chartSheetXml(const std::string& drawingRelationshipId, bool selected, std::string_view mainNamespace,
                          std::string_view relationshipsNamespace);

}  // namespace tavlora::host::xlsx
