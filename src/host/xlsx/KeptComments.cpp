#include "host/xlsx/KeptComments.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include <pugixml.hpp>

#include "host/cells/CellRef.h"
#include "host/chart/ChartAnchor.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

void shiftCommentsPart(PackagePart& part, const formula::Deletion& deletion) {
    pugi::xml_document document;
    if (!parseKeptPart(document, part.unpacked())) return;
    bool changed = false;
    for (pugi::xml_node comment : elementsNamed(document.document_element(), "comment")) {
        pugi::xml_attribute ref = comment.attribute("ref");
        auto area = parseCellRange(ref.value());
        if (!area) continue;
        auto moved = formula::shiftArea(*area, deletion);
        if (!moved) comment.parent().remove_child(comment);
        else if (*moved != *area) ref.set_value(cellRangeAddress(*moved).c_str());
        else continue;
        changed = true;
    }
    if (changed) part.replaceBytes(serializeKeptPart(document, true));
}

int32_t integerOf(pugi::xml_node node, int32_t fallback) {
    std::string_view text(node.child_value());
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' || text.front() == '\t'))
        text.remove_prefix(1);
    int32_t value = fallback;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A legacy shape's "LeftColumn, LeftOffset, TopRow, TopOffset, RightColumn, RightOffset,
// BottomRow, BottomOffset" as a two-cell anchor; nullopt when it is not eight numbers.
std::optional<ChartAnchor> readVmlAnchor(std::string_view text) {
    std::vector<int64_t> values;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\n' || text[i] == '\r' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        int64_t value = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (ec != std::errc()) return std::nullopt;
        values.push_back(value);
        i = static_cast<size_t>(end - text.data());
    }
    if (values.size() != 8) return std::nullopt;
    auto index = [](int64_t v, int32_t limit) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, limit - 1)); };
    ChartAnchor anchor;
    anchor.from = {index(values[0], kMaxColumns), values[1], index(values[2], kMaxRows), values[3]};
    anchor.to = {index(values[4], kMaxColumns), values[5], index(values[6], kMaxRows), values[7]};
    return anchor;
}

std::string vmlAnchorText(const ChartAnchor& anchor) {
    const int64_t values[] = {anchor.from.column, anchor.from.columnOffset, anchor.from.row, anchor.from.rowOffset,
                              anchor.to.column,   anchor.to.columnOffset,   anchor.to.row,   anchor.to.rowOffset};
    std::string out;
    for (int64_t value : values) {
        if (!out.empty()) out += ", ";
        out += std::to_string(value);
    }
    return out;
}

// A note belongs to its cell: it goes with the cell and moves by as much as the cell moved.
// Returns false when the note's shape must go.
bool shiftNote(pugi::xml_node data, const formula::Deletion& deletion, bool& changed) {
    pugi::xml_node rowNode = childByLocalName(data, "Row");
    pugi::xml_node columnNode = childByLocalName(data, "Column");
    int32_t row = integerOf(rowNode, -1) + 1;
    int32_t column = integerOf(columnNode, -1) + 1;
    if (row < 1 || column < 1 || row > kMaxRows || column > kMaxColumns) return true;
    auto moved = formula::shiftArea(Area::cell(row, column), deletion);
    if (!moved) return false;
    int32_t rowDelta = moved->firstRow - row;
    int32_t columnDelta = moved->firstColumn - column;
    if (rowDelta == 0 && columnDelta == 0) return true;
    rowNode.text().set(moved->firstRow - 1);
    columnNode.text().set(moved->firstColumn - 1);
    pugi::xml_node anchorNode = childByLocalName(data, "Anchor");
    if (auto anchor = readVmlAnchor(anchorNode.child_value())) {
        for (AnchorMarker* m : {&anchor->from, &anchor->to}) {
            m->column = std::max(0, m->column + columnDelta);
            m->row = std::max(0, m->row + rowDelta);
        }
        anchorNode.text().set(vmlAnchorText(*anchor).c_str());
    }
    changed = true;
    return true;
}

// Other legacy shapes (form controls, buttons) lie over cells like drawing objects and move with
// whole rows and columns the same way.
void shiftControl(pugi::xml_node data, const formula::Deletion& deletion, bool& changed) {
    if (!deletion.isWholeLines()) return;
    pugi::xml_node anchorNode = childByLocalName(data, "Anchor");
    auto anchor = readVmlAnchor(anchorNode.child_value());
    if (!anchor || !shiftAnchor(*anchor, deletion)) return;
    anchorNode.text().set(vmlAnchorText(*anchor).c_str());
    changed = true;
}

void shiftLegacyShapes(PackagePart& part, const formula::Deletion& deletion) {
    pugi::xml_document document;
    if (!parseKeptPart(document, part.unpacked())) return;
    bool changed = false;
    for (pugi::xml_node data : elementsNamed(document.document_element(), "ClientData")) {
        if (std::string_view(data.attribute("ObjectType").value()) != "Note") {
            shiftControl(data, deletion, changed);
        } else if (!shiftNote(data, deletion, changed)) {
            pugi::xml_node shape = data.parent();
            shape.parent().remove_child(shape);
            changed = true;
        }
    }
    if (changed) part.replaceBytes(serializeKeptPart(document, false));
}

}  // namespace

void shiftSheetComments(PackageContents& package, std::string_view sheetPart, const formula::Deletion& deletion) {
    forEachRelatedPart(package, sheetPart, "comments",
                       [&](PackagePart& part, const std::string&) { shiftCommentsPart(part, deletion); });
    forEachRelatedPart(package, sheetPart, "vmlDrawing",
                       [&](PackagePart& part, const std::string&) { shiftLegacyShapes(part, deletion); });
}

}  // namespace tavlora::host::xlsx
