#include "host/xlsx/KeptTables.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

bool isRows(const formula::Deletion& deletion) { return deletion.axis == formula::Axis::Rows; }

// The deletion reaches the area: it lies within the span of cells that were shifted.
bool withinSpan(const Area& area, const formula::Deletion& deletion) {
    if (isRows(deletion)) return area.firstColumn >= deletion.spanFirst && area.lastColumn <= deletion.spanLast;
    return area.firstRow >= deletion.spanFirst && area.lastRow <= deletion.spanLast;
}

bool removed(int32_t line, const formula::Deletion& deletion) {
    return line >= deletion.first && line <= deletion.last();
}

TableShape readShape(pugi::xml_node table, const Area& area) {
    TableShape shape;
    shape.area = area;
    shape.headerRows = table.attribute("headerRowCount").as_int(1) > 0 ? 1 : 0;
    shape.totalsRows = table.attribute("totalsRowCount").as_int(0) > 0 ? 1 : 0;
    return shape;
}

// Deleted columns leave the column list; filter columns (counted from the table's first column)
// after them move left.
void dropDeletedColumns(pugi::xml_node table, const Area& area, const formula::Deletion& deletion) {
    pugi::xml_node columns = childByLocalName(table, "tableColumns");
    std::vector<pugi::xml_node> list;
    for (pugi::xml_node column : columns.children())
        if (column.type() == pugi::node_element && localName(column.name()) == "tableColumn") list.push_back(column);
    for (size_t i = 0; i < list.size(); ++i)
        if (removed(area.firstColumn + static_cast<int32_t>(i), deletion)) columns.remove_child(list[i]);
    if (pugi::xml_attribute count = columns.attribute("count")) {
        size_t left = 0;
        for (pugi::xml_node column : columns.children()) left += column.type() == pugi::node_element;
        count.set_value(left);
    }
    for (pugi::xml_node filter : elementsNamed(childByLocalName(table, "autoFilter"), "filterColumn")) {
        int32_t column = area.firstColumn + filter.attribute("colId").as_int(0);
        if (removed(column, deletion)) {
            filter.parent().remove_child(filter);
            continue;
        }
        int32_t removedBefore = std::max(0, std::min(column - 1, deletion.last()) - std::max(area.firstColumn, deletion.first) + 1);
        filter.attribute("colId").set_value(column - area.firstColumn - removedBefore);
    }
}

// The application keeps at least one data row in a table.
void keepADataRow(pugi::xml_node table, TableShape& shape) {
    if (shape.dataRows() >= 1) return;
    if (shape.totalsRows > 0) {
        shape.totalsRows = 0;
        table.remove_attribute("totalsRowCount");
        if (pugi::xml_attribute shown = table.attribute("totalsRowShown")) shown.set_value("0");
    }
    shape.area.lastRow = std::min(shape.area.firstRow + shape.headerRows, kMaxRows);
}

bool shiftFormulas(pugi::xml_node table, std::string_view sheetName, const formula::Deletion& deletion) {
    formula::Context context{sheetName, sheetName};
    bool changed = false;
    for (std::string_view name : {"calculatedColumnFormula", "totalsRowFormula"}) {
        for (pugi::xml_node element : elementsNamed(table, name)) {
            std::string text = element.text().get();
            std::string moved = formula::shiftForDeletion(text, context, deletion);
            if (moved == text) continue;
            element.text().set(moved.c_str());
            changed = true;
        }
    }
    return changed;
}

void writeAreas(pugi::xml_node table, const TableShape& shape, const formula::Deletion& deletion) {
    table.attribute("ref").set_value(cellRangeAddress(shape.area).c_str());
    if (pugi::xml_node filter = childByLocalName(table, "autoFilter")) {
        Area filtered = shape.area;
        filtered.lastRow -= shape.totalsRows;
        filter.attribute("ref").set_value(cellRangeAddress(filtered).c_str());
    }
    for (pugi::xml_node sort : elementsNamed(table, "sortState")) {
        std::string moved = formula::shiftReference(sort.attribute("ref").value(), deletion);
        if (moved.empty()) sort.parent().remove_child(sort);
        else sort.attribute("ref").set_value(moved.c_str());
    }
}

// Takes the table out of the sheet: its relationship and its <tablePart>.
void detachTable(PackageContents& package, const Worksheet& sheet, const std::string& relationshipId) {
    if (const RelationshipList* list = package.relationshipsOf(sheet.partName())) {
        RelationshipList kept;
        for (const Relationship& r : *list)
            if (r.id != relationshipId) kept.push_back(r);
        package.setRelationships(sheet.partName(), std::move(kept));
    }
    pugi::xml_node parts = childByLocalName(keptSheetRoot(sheet), "tableParts");
    for (pugi::xml_node part : elementsNamed(parts, "tablePart"))
        if (relationshipId == prefixedAttribute(part, "id").value()) parts.remove_child(part);
    size_t left = elementsNamed(parts, "tablePart").size();
    if (left == 0) parts.parent().remove_child(parts);
    else if (pugi::xml_attribute count = parts.attribute("count")) count.set_value(left);
}

}  // namespace

TableEdit shiftTable(pugi::xml_document& document, std::string_view sheetName, const formula::Deletion& deletion) {
    pugi::xml_node table = document.document_element();
    auto area = parseCellRange(table.attribute("ref").value());
    if (!area || !withinSpan(*area, deletion)) return TableEdit::Unchanged;
    auto moved = formula::shiftArea(*area, deletion);
    if (!moved) return TableEdit::Removed;
    TableShape shape = readShape(table, *area);
    if (isRows(deletion)) {
        if (shape.headerRows > 0 && removed(area->firstRow, deletion)) return TableEdit::Removed;
        if (shape.totalsRows > 0 && removed(area->lastRow, deletion)) {
            shape.totalsRows = 0;
            table.remove_attribute("totalsRowCount");
        }
    } else {
        dropDeletedColumns(table, *area, deletion);
    }
    shape.area = *moved;
    keepADataRow(table, shape);
    bool formulasMoved = shiftFormulas(table, sheetName, deletion);
    if (shape.area == *area) return formulasMoved ? TableEdit::Changed : TableEdit::Unchanged;
    writeAreas(table, shape, deletion);
    return TableEdit::Changed;
}

std::optional<formula::TableDefinition> tableDefinition(const pugi::xml_document& document, int32_t sheet) {
    pugi::xml_node table = document.document_element();
    auto area = parseCellRange(table.attribute("ref").value());
    if (!area) return std::nullopt;
    const TableShape shape = readShape(table, *area);
    formula::TableDefinition definition;
    // Formulas name a table by its display name; "name" is only the fallback of odd writers.
    definition.name = table.attribute("displayName").value();
    if (definition.name.empty()) definition.name = table.attribute("name").value();
    definition.sheet = sheet;
    definition.area = shape.area;
    definition.headerRows = shape.headerRows;
    definition.totalsRows = shape.totalsRows;
    for (pugi::xml_node column : childByLocalName(table, "tableColumns").children())
        if (column.type() == pugi::node_element && localName(column.name()) == "tableColumn")
            definition.columns.emplace_back(column.attribute("name").value());
    return definition;
}

std::vector<formula::TableDefinition> workbookTables(PackageContents& package, const Workbook& book) {
    std::vector<formula::TableDefinition> tables;
    const auto& sheets = book.sheets();
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i]->kind() != SheetKind::Worksheet) continue;
        forEachRelatedPart(package, sheets[i]->partName(), "table", [&](PackagePart& part, const std::string&) {
            pugi::xml_document document;
            if (!parseKeptPart(document, part.bytes)) return;
            if (auto table = tableDefinition(document, static_cast<int32_t>(i))) tables.push_back(std::move(*table));
        });
    }
    return tables;
}

void shiftSheetTables(PackageContents& package, const Worksheet& sheet, const formula::Deletion& deletion) {
    std::vector<std::string> gone;
    forEachRelatedPart(package, sheet.partName(), "table", [&](PackagePart& part, const std::string& id) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        TableEdit edit = shiftTable(document, sheet.name(), deletion);
        if (edit == TableEdit::Removed) gone.push_back(id);
        else if (edit == TableEdit::Changed) part.replaceBytes(serializeKeptPart(document, true));
    });
    for (const std::string& id : gone) detachTable(package, sheet, id);
}

}  // namespace tavlora::host::xlsx
