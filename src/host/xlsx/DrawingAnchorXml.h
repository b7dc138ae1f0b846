#pragma once
#include <string_view>

#include <pugixml.hpp>

#include "host/chart/ChartAnchor.h"

// The placement of an object in a drawing part (xdr:twoCellAnchor, xdr:oneCellAnchor,
// xdr:absoluteAnchor), read and written the same way for charts, pictures and shapes.
namespace tavlora::host::xlsx {

bool isDrawingAnchor(std::string_view localName);
// The anchor an anchor element describes; missing parts read as 0.
ChartAnchor readDrawingAnchor(pugi::xml_node element);
// Sets col, colOff, row and rowOff of a marker (xdr:from, xdr:to), adding the ones it lacks under
// the marker's own prefix.
void writeAnchorMarker(pugi::xml_node marker, const AnchorMarker& m);

}  // namespace tavlora::host::xlsx
