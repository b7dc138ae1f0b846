#include "host/xlsx/KeptDrawings.h"

#include <pugixml.hpp>

#include "host/chart/ChartAnchor.h"
#include "host/xlsx/DrawingAnchorXml.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

bool shiftAnchorElement(pugi::xml_node element, const formula::Deletion& deletion) {
    // "Don't move or size with cells".
    if (std::string_view(element.attribute("editAs").value()) == "absolute") return false;
    ChartAnchor anchor = readDrawingAnchor(element);
    if (!shiftAnchor(anchor, deletion)) return false;
    writeAnchorMarker(childByLocalName(element, "from"), anchor.from);
    if (anchor.kind == ChartAnchor::Kind::TwoCell) writeAnchorMarker(childByLocalName(element, "to"), anchor.to);
    return true;
}

// Anchors are the root's children, or sit in markup-compatibility blocks (mc:AlternateContent,
// mc:Choice, mc:Fallback) that newer objects such as form controls and slicers come in.
bool shiftAnchorsUnder(pugi::xml_node parent, const formula::Deletion& deletion) {
    bool changed = false;
    for (pugi::xml_node child : parent.children()) {
        if (child.type() != pugi::node_element) continue;
        std::string_view local = localName(child.name());
        if (local == "twoCellAnchor" || local == "oneCellAnchor") changed = shiftAnchorElement(child, deletion) || changed;
        else if (local == "AlternateContent" || local == "Choice" || local == "Fallback")
            changed = shiftAnchorsUnder(child, deletion) || changed;
    }
    return changed;
}

}  // namespace

void shiftSheetDrawings(PackageContents& package, std::string_view sheetPart, const formula::Deletion& deletion) {
    if (!deletion.isWholeLines()) return;
    forEachRelatedPart(package, sheetPart, "drawing", [&](PackagePart& part, const std::string&) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        if (shiftAnchorsUnder(document.document_element(), deletion)) part.replaceBytes(serializeKeptPart(document, true));
    });
}

}  // namespace tavlora::host::xlsx
