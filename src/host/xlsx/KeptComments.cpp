#include "host/xlsx/KeptComments.h"

#include <charconv>
#include <vector>

#include <pugixml.hpp>

#include "base/XmlDepth.h"
#include "host/cells/CellRef.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

bool parse(pugi::xml_document& document, const std::string& bytes) {
    return document.load_buffer(bytes.data(), bytes.size(), kPartParseOptions) && document.document_element() &&
           !base::nestsDeeperThan(document);
}

std::string serialize(const pugi::xml_document& document, bool declaration) {
    std::string out = declaration ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" : "";
    StringWriter writer(out);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
}

// Elements with this local name, in document order (collected first, so they can be removed).
std::vector<pugi::xml_node> elementsNamed(pugi::xml_node root, std::string_view name) {
    std::vector<pugi::xml_node> found;
    pugi::xml_node node = root;
    while (node) {
        if (node.type() == pugi::node_element && localName(node.name()) == name) found.push_back(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) node = node.parent();
        if (!node || node == root) break;
        node = node.next_sibling();
    }
    return found;
}

void shiftCommentsPart(PackagePart& part, const formula::Deletion& deletion) {
    pugi::xml_document document;
    if (!parse(document, part.bytes)) return;
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
    if (changed) part.bytes = serialize(document, true);
}

int32_t integerOf(pugi::xml_node node, int32_t fallback) {
    std::string_view text(node.child_value());
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' || text.front() == '\t'))
        text.remove_prefix(1);
    int32_t value = fallback;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// "LeftColumn, LeftOffset, TopRow, TopOffset, RightColumn, RightOffset, BottomRow, BottomOffset".
std::string movedAnchor(std::string_view anchor, int32_t rowDelta, int32_t columnDelta) {
    std::vector<int64_t> values;
    size_t i = 0;
    while (i < anchor.size()) {
        while (i < anchor.size() && (anchor[i] == ' ' || anchor[i] == ',' || anchor[i] == '\n' || anchor[i] == '\r' || anchor[i] == '\t')) ++i;
        if (i >= anchor.size()) break;
        int64_t value = 0;
        auto [end, ec] = std::from_chars(anchor.data() + i, anchor.data() + anchor.size(), value);
        if (ec != std::errc()) return std::string(anchor);
        values.push_back(value);
        i = static_cast<size_t>(end - anchor.data());
    }
    if (values.size() != 8) return std::string(anchor);
    for (size_t k : {size_t(0), size_t(4)}) values[k] = std::max<int64_t>(0, values[k] + columnDelta);
    for (size_t k : {size_t(2), size_t(6)}) values[k] = std::max<int64_t>(0, values[k] + rowDelta);
    std::string out;
    for (size_t k = 0; k < values.size(); ++k) {
        if (k) out += ", ";
        out += std::to_string(values[k]);
    }
    return out;
}

void shiftNoteShapes(PackagePart& part, const formula::Deletion& deletion) {
    pugi::xml_document document;
    if (!parse(document, part.bytes)) return;
    bool changed = false;
    for (pugi::xml_node data : elementsNamed(document.document_element(), "ClientData")) {
        if (std::string_view(data.attribute("ObjectType").value()) != "Note") continue;
        pugi::xml_node rowNode = childByLocalName(data, "Row");
        pugi::xml_node columnNode = childByLocalName(data, "Column");
        int32_t row = integerOf(rowNode, -1) + 1;
        int32_t column = integerOf(columnNode, -1) + 1;
        if (row < 1 || column < 1 || row > kMaxRows || column > kMaxColumns) continue;
        auto moved = formula::shiftArea(Area::cell(row, column), deletion);
        if (!moved) {
            pugi::xml_node shape = data.parent();
            shape.parent().remove_child(shape);
            changed = true;
            continue;
        }
        int32_t rowDelta = moved->firstRow - row;
        int32_t columnDelta = moved->firstColumn - column;
        if (rowDelta == 0 && columnDelta == 0) continue;
        rowNode.text().set(moved->firstRow - 1);
        columnNode.text().set(moved->firstColumn - 1);
        if (pugi::xml_node anchor = childByLocalName(data, "Anchor"))
            anchor.text().set(movedAnchor(anchor.child_value(), rowDelta, columnDelta).c_str());
        changed = true;
    }
    if (changed) part.bytes = serialize(document, false);
}

}  // namespace

void shiftSheetComments(PackageContents& package, std::string_view sheetPart, const formula::Deletion& deletion) {
    if (sheetPart.empty()) return;
    const RelationshipList* relationships = package.relationshipsOf(sheetPart);
    if (!relationships) return;
    for (const Relationship& r : *relationships) {
        if (r.external) continue;
        std::string_view kind = relationshipKind(r.type);
        if (kind != "comments" && kind != "vmlDrawing") continue;
        PackagePart* part = package.findPart(resolveTarget(sheetPart, r.target));
        if (!part || part->regenerated) continue;
        if (kind == "comments") shiftCommentsPart(*part, deletion);
        else shiftNoteShapes(*part, deletion);
    }
}

}  // namespace tavlora::host::xlsx
