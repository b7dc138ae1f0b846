#include "host/xlsx/DrawingAnchorXml.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

int64_t integerText(pugi::xml_node node) {
    std::string_view text = node.text().get();
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

int64_t integerAttribute(pugi::xml_node node, const char* name) { return node.attribute(name).as_llong(0); }

AnchorMarker readMarker(pugi::xml_node marker) {
    AnchorMarker m;
    m.column = static_cast<int32_t>(std::clamp<int64_t>(integerText(childByLocalName(marker, "col")), 0, kMaxColumns - 1));
    m.columnOffset = integerText(childByLocalName(marker, "colOff"));
    m.row = static_cast<int32_t>(std::clamp<int64_t>(integerText(childByLocalName(marker, "row")), 0, kMaxRows - 1));
    m.rowOffset = integerText(childByLocalName(marker, "rowOff"));
    return m;
}

void setText(pugi::xml_node parent, std::string_view local, int64_t value) {
    pugi::xml_node child = childByLocalName(parent, local);
    if (!child) child = parent.append_child((std::string(prefixOf(parent.name())) + std::string(local)).c_str());
    child.text().set(static_cast<long long>(value));
}

}  // namespace

bool isDrawingAnchor(std::string_view local) {
    return local == "twoCellAnchor" || local == "oneCellAnchor" || local == "absoluteAnchor";
}

ChartAnchor readDrawingAnchor(pugi::xml_node element) {
    ChartAnchor anchor;
    std::string_view local = localName(element.name());
    anchor.kind = local == "oneCellAnchor"    ? ChartAnchor::Kind::OneCell
                  : local == "absoluteAnchor" ? ChartAnchor::Kind::Absolute
                                              : ChartAnchor::Kind::TwoCell;
    anchor.from = readMarker(childByLocalName(element, "from"));
    anchor.to = readMarker(childByLocalName(element, "to"));
    pugi::xml_node pos = childByLocalName(element, "pos");
    anchor.x = integerAttribute(pos, "x");
    anchor.y = integerAttribute(pos, "y");
    pugi::xml_node ext = childByLocalName(element, "ext");
    anchor.cx = integerAttribute(ext, "cx");
    anchor.cy = integerAttribute(ext, "cy");
    return anchor;
}

void writeAnchorMarker(pugi::xml_node marker, const AnchorMarker& m) {
    setText(marker, "col", m.column);
    setText(marker, "colOff", m.columnOffset);
    setText(marker, "row", m.row);
    setText(marker, "rowOff", m.rowOffset);
}

}  // namespace tavlora::host::xlsx
