#include "host/xlsx/KeptTables.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "com/UnicodeText.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/KeptSlicers.h"
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
void dropDeletedColumns(pugi::xml_node table, const Area& area, const formula::Deletion& deletion, TableLoss& lost) {
    pugi::xml_node columns = childByLocalName(table, "tableColumns");
    std::vector<pugi::xml_node> list;
    for (pugi::xml_node column : columns.children())
        if (column.type() == pugi::node_element && localName(column.name()) == "tableColumn") list.push_back(column);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!removed(area.firstColumn + static_cast<int32_t>(i), deletion)) continue;
        lost.columns.emplace_back(list[i].attribute("name").value());
        lost.columnIds.push_back(list[i].attribute("id").as_uint());
        columns.remove_child(list[i]);
    }
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

bool shiftFormulas(pugi::xml_node table, std::string_view sheetName, const formula::Deletion& deletion,
                   const TableLoss& loss) {
    formula::Context context{sheetName, sheetName};
    bool changed = false;
    for (std::string_view name : {"calculatedColumnFormula", "totalsRowFormula"}) {
        for (pugi::xml_node element : elementsNamed(table, name)) {
            std::string text = element.text().get();
            std::string moved = formula::shiftForDeletion(text, context, deletion);
            if (!loss.columns.empty()) moved = invalidateTableReferences(moved, loss, true);
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

// Formulas name a table by its display name; the part's name attribute is the same in files the
// application writes, and the only one in some others.
std::string tableName(pugi::xml_node table) {
    std::string_view shown = table.attribute("displayName").value();
    return std::string(shown.empty() ? table.attribute("name").value() : shown);
}

// Takes the table out of the sheet: its relationship and its <tablePart>.
void detachTable(PackageContents& package, const Worksheet& sheet, const std::string& relationshipId) {
    dropRelationships(package, sheet.partName(), [&](const Relationship& r) { return r.id == relationshipId; });
    pugi::xml_node parts = childByLocalName(ownKeptSheetRoot(sheet), "tableParts");
    for (pugi::xml_node part : elementsNamed(parts, "tablePart"))
        if (relationshipId == prefixedAttribute(part, "id").value()) parts.remove_child(part);
    size_t left = elementsNamed(parts, "tablePart").size();
    if (left == 0) parts.parent().remove_child(parts);
    else if (pugi::xml_attribute count = parts.attribute("count")) count.set_value(left);
}

struct LostPart {
    TableLoss loss;
    std::optional<Area> area;  // where the table lies now; none when it was removed
};

// The formula ids of the cells inside `area`: their unqualified structured references are the table's.
std::unordered_set<uint32_t> formulasWithin(const Worksheet& sheet, const Area& area) {
    std::unordered_set<uint32_t> ids;
    for (const RowInfo& row : sheet.store().rows()) {
        if (row.row < area.firstRow || row.row > area.lastRow) continue;
        for (const Cell& cell : row.cells)
            if (cell.kind == CellKind::Formula && cell.column >= area.firstColumn && cell.column <= area.lastColumn)
                ids.insert(cell.payload.formulaId);
    }
    return ids;
}

// The workbook's formulas give up what the tables lost. The engine shifted them already; the
// tables are the file layer's, so their names and columns are only known here. `home` is the
// sheet the tables are on, null when that sheet went.
void invalidateLostReferences(Workbook& book, const Worksheet* home, const std::vector<LostPart>& losses) {
    for (const LostPart& lost : losses) {
        std::unordered_set<uint32_t> inside;
        if (home && lost.area) inside = formulasWithin(*home, *lost.area);
        for (const auto& sheet : book.worksheets()) {
            auto& formulas = sheet->store().formulas();
            bool isHome = sheet.get() == home;
            for (size_t i = 0; i < formulas.size(); ++i) {
                if (formulas[i].text.empty()) continue;
                bool inTable = isHome && inside.count(static_cast<uint32_t>(i)) != 0;
                formulas[i].text = invalidateTableReferences(formulas[i].text, lost.loss, inTable);
            }
        }
        for (auto& name : book.definedNames()) name.formula = invalidateTableReferences(name.formula, lost.loss, false);
    }
    book.noteStructureChanged();
}

// What other tables lost, for the formulas of `table` (its own losses it handled itself).
std::string withoutLostReferences(std::string formula, const std::string& table, const std::vector<LostPart>& losses) {
    for (const LostPart& lost : losses)
        if (!com::equalsIgnoreCase(lost.loss.table, table)) formula = invalidateTableReferences(formula, lost.loss, false);
    return formula;
}

std::vector<TableLoss> lossesOf(const std::vector<LostPart>& losses) {
    std::vector<TableLoss> out;
    for (const LostPart& lost : losses) out.push_back(lost.loss);
    return out;
}

}  // namespace

TableEdit shiftTable(pugi::xml_document& document, std::string_view sheetName, const formula::Deletion& deletion,
                     TableLoss* loss) {
    pugi::xml_node table = document.document_element();
    TableLoss lost;
    lost.table = tableName(table);
    lost.tableId = table.attribute("id").as_uint();
    auto area = parseCellRange(table.attribute("ref").value());
    if (!area || !withinSpan(*area, deletion)) return TableEdit::Unchanged;
    auto moved = formula::shiftArea(*area, deletion);
    TableShape shape = readShape(table, *area);
    bool headerGone = isRows(deletion) && shape.headerRows > 0 && removed(area->firstRow, deletion);
    if (!moved || headerGone) {
        lost.wholeTable = true;
        if (loss) *loss = std::move(lost);
        return TableEdit::Removed;
    }
    if (isRows(deletion)) {
        if (shape.totalsRows > 0 && removed(area->lastRow, deletion)) {
            shape.totalsRows = 0;
            table.remove_attribute("totalsRowCount");
        }
    } else {
        dropDeletedColumns(table, *area, deletion, lost);
    }
    shape.area = *moved;
    keepADataRow(table, shape);
    bool formulasMoved = shiftFormulas(table, sheetName, deletion, lost);
    if (loss) *loss = lost;
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
    definition.name = tableName(table);
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
        readEachRelatedPart(package, sheets[i]->partName(), "table", [&](const PackagePart& part, const std::string&) {
            pugi::xml_document document;
            if (!parseKeptPart(document, part.unpacked())) return;
            if (auto table = tableDefinition(document, static_cast<int32_t>(i))) tables.push_back(std::move(*table));
        });
    }
    return tables;
}

void editTableFormulas(PackageContents& package, const Workbook& book, const Worksheet* skip, const TableFormulaEdit& edit) {
    for (const auto& sheet : book.worksheets()) {
        if (sheet.get() == skip) continue;
        forEachRelatedPart(package, sheet->partName(), "table", [&](PackagePart& part, const std::string&) {
            std::string bytes = part.unpacked();
            if (bytes.find("Formula") == std::string::npos) return;  // most tables have none: skip the parse
            pugi::xml_document document;
            if (!parseKeptPart(document, bytes)) return;
            pugi::xml_node table = document.document_element();
            std::string name = tableName(table);
            bool changed = false;
            for (std::string_view element : {"calculatedColumnFormula", "totalsRowFormula"}) {
                for (pugi::xml_node node : elementsNamed(table, element)) {
                    std::string text = node.text().get();
                    std::string edited = edit(text, name, *sheet);
                    if (edited == text) continue;
                    node.text().set(edited.c_str());
                    changed = true;
                }
            }
            if (changed) part.replaceBytes(serializeKeptPart(document, true));
        });
    }
}

void shiftSheetTables(PackageContents& package, const Worksheet& sheet, const formula::Deletion& deletion) {
    std::vector<std::string> gone;
    std::vector<LostPart> losses;
    forEachRelatedPart(package, sheet.partName(), "table", [&](PackagePart& part, const std::string& id) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        LostPart lost;
        TableEdit edit = shiftTable(document, sheet.name(), deletion, &lost.loss);
        if (edit == TableEdit::Removed) gone.push_back(id);
        else if (edit == TableEdit::Changed) part.replaceBytes(serializeKeptPart(document, true));
        if (edit != TableEdit::Removed) lost.area = parseCellRange(document.document_element().attribute("ref").value());
        if (lost.loss.wholeTable || !lost.loss.columns.empty()) losses.push_back(std::move(lost));
    });
    for (const std::string& id : gone) detachTable(package, sheet, id);
    if (losses.empty()) return;
    auto book = sheet.workbook();
    // Every table's formulas give up what the others lost; the sheet's own tables moved already
    // and those of the other sheets move with every other kept formula.
    editTableFormulas(package, *book, nullptr, [&](const std::string& formula, const std::string& table, const Worksheet&) {
        return withoutLostReferences(formula, table, losses);
    });
    invalidateLostReferences(*book, &sheet, losses);
    removeSlicersOfLostColumns(package, *book, lossesOf(losses));
}

void dropDeletedSheetTables(PackageContents& package, Workbook& book, const Sheet& sheet) {
    std::vector<LostPart> losses;
    forEachRelatedPart(package, sheet.partName(), "table", [&](PackagePart& part, const std::string&) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        LostPart lost;
        lost.loss.table = tableName(document.document_element());
        lost.loss.tableId = document.document_element().attribute("id").as_uint();
        lost.loss.wholeTable = true;
        losses.push_back(std::move(lost));
    });
    if (losses.empty()) return;
    editTableFormulas(package, book, nullptr, [&](const std::string& formula, const std::string& table, const Worksheet&) {
        return withoutLostReferences(formula, table, losses);
    });
    invalidateLostReferences(book, nullptr, losses);
    removeSlicersOfLostColumns(package, book, lossesOf(losses));
}

}  // namespace tavlora::host::xlsx
