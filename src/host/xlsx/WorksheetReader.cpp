#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/WorksheetReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "com/Error.h"
#include "host/cells/CellError.h"
#include "host/cells/DateSerial.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/cells/CellRef.h"
#include "host/xlsx/ColumnWidth.h"
#include "host/formula/SharedFormula.h"
#include "host/xlsx/SharedStrings.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

bool parseNumber(std::string_view text, double& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool parseUnsigned(const char* text, uint32_t& value) {
    std::string_view v(text);
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    return ec == std::errc() && end == v.data() + v.size() && !v.empty();
}

// An ISO 8601 date / time (t="d") as a serial number of the workbook's date system.
bool parseIsoDate(std::string_view text, bool date1904, double& serial) {
    int y = 0, mo = 1, d = 1, h = 0, mi = 0;
    double s = 0;
    int consumed = 0;
    std::string copy(text);
    if (std::sscanf(copy.c_str(), "%d-%d-%d%n", &y, &mo, &d, &consumed) == 3) {
        size_t pos = static_cast<size_t>(consumed);
        if (pos < copy.size() && copy[pos] == 'T') std::sscanf(copy.c_str() + pos + 1, "%d:%d:%lf", &h, &mi, &s);
    } else if (std::sscanf(copy.c_str(), "%d:%d:%lf", &h, &mi, &s) >= 2) {
        serial = (h * 3600 + mi * 60 + s) / 86400.0;
        return true;
    } else {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    serial = serialOfCivilDate(y, static_cast<unsigned>(mo), static_cast<unsigned>(d), date1904) +
             (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
}

struct SharedFormulaAnchor {
    int32_t row;
    int32_t column;
    std::string text;
};

class WorksheetParser {
public:
    WorksheetParser(Worksheet& sheet, const WorksheetSource& source)
        : sheet_(sheet), store_(sheet.store()), pool_(sheet.workbookStore().strings), source_(source) {}

    void readSheetFormat(pugi::xml_node node) {
        double value;
        if (parseNumber(node.attribute("defaultColWidth").value(), value) && value >= 0)
            sheet_.setDefaultColumnWidth(charactersFromFileWidth(value));
        if (parseNumber(node.attribute("defaultRowHeight").value(), value) && value >= 0) sheet_.setDefaultRowHeight(value);
    }

    void readColumns(pugi::xml_node cols) {
        for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling()) {
            if (col.type() != pugi::node_element || localName(col.name()) != "col") continue;
            ColumnInfo info;
            uint32_t first = 0, last = 0;
            bool valid = true;
            for (pugi::xml_attribute a = col.first_attribute(); a; a = a.next_attribute()) {
                std::string_view name(a.name());
                if (name == "min") valid &= parseUnsigned(a.value(), first);
                else if (name == "max") valid &= parseUnsigned(a.value(), last);
                else if (name == "width") valid &= parseNumber(a.value(), info.width);
                else if (name == "customWidth") info.customWidth = isTrue(a.value());
                else if (name == "hidden") info.hidden = isTrue(a.value());
                else if (name == "style") info.hasStyle = parseUnsigned(a.value(), info.style);
                else keepAttribute(info.extraAttributes, a);
            }
            if (!valid || first < 1 || first > last || last > static_cast<uint32_t>(kMaxColumns)) continue;
            info.first = static_cast<int32_t>(first);
            info.last = static_cast<int32_t>(last);
            info.style = checkedStyle(info.style);
            if (info.width >= 0) {
                info.fileWidth = info.width;
                info.width = charactersFromFileWidth(info.width);
            }
            store_.columns().push_back(std::move(info));
        }
        std::stable_sort(store_.columns().begin(), store_.columns().end(),
                         [](const ColumnInfo& a, const ColumnInfo& b) { return a.first < b.first; });
    }

    void readMerges(pugi::xml_node mergeCells) {
        for (pugi::xml_node merge = mergeCells.first_child(); merge; merge = merge.next_sibling()) {
            if (merge.type() != pugi::node_element || localName(merge.name()) != "mergeCell") continue;
            auto area = parseCellRange(merge.attribute("ref").value());
            // A one-cell merge changes nothing on screen, but the application keeps it, so do we.
            if (area) sheet_.mergedAreas().push_back(*area);
        }
    }

    void readSheetData(pugi::xml_node sheetData) {
        int32_t previousRow = 0;
        for (pugi::xml_node row = sheetData.first_child(); row; row = row.next_sibling()) {
            if (row.type() != pugi::node_element || localName(row.name()) != "row") continue;
            RowInfo& info = store_.rows().emplace_back();
            readRowAttributes(row, info, previousRow);
            previousRow = info.row;
            int32_t previousColumn = 0;
            for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element || localName(c.name()) != "c") continue;
                readCell(c, info, previousColumn);
                previousColumn = info.cells.back().column;
            }
        }
        normalize();
    }

private:
    [[noreturn]] void fail(const std::string& message) const {
        com::throwHostError("'" + std::string(source_.fileName) + "': part '" + std::string(source_.partName) + "' " +
                            message);
    }

    uint32_t checkedStyle(uint32_t style) const { return style < source_.cellFormatCount ? style : 0; }

    static void keepAttribute(std::string& extra, pugi::xml_attribute a) {
        extra += ' ';
        extra += a.name();
        extra += "=\"";
        appendEscapedAttribute(extra, a.value());
        extra += '"';
    }

    void readRowAttributes(pugi::xml_node row, RowInfo& info, int32_t previousRow) {
        info.row = previousRow + 1;
        bool customFormat = false;
        uint32_t style = 0;
        bool hasS = false;
        for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute()) {
            std::string_view name(a.name());
            if (name == "r") {
                uint32_t r = 0;
                if (!parseUnsigned(a.value(), r) || r < 1 || r > static_cast<uint32_t>(kMaxRows))
                    fail("has a row number '" + std::string(a.value()) + "' outside the sheet");
                info.row = static_cast<int32_t>(r);
            } else if (name == "ht") {
                double height;
                if (parseNumber(a.value(), height) && height >= 0) info.height = height;
            } else if (name == "customHeight") {
                info.customHeight = isTrue(a.value());
            } else if (name == "hidden") {
                info.hidden = isTrue(a.value());
            } else if (name == "s") {
                hasS = parseUnsigned(a.value(), style);
            } else if (name == "customFormat") {
                customFormat = isTrue(a.value());
            } else if (name == "spans") {
                // A hint for readers that edits would make wrong; the writer leaves it out.
            } else {
                keepAttribute(info.extraAttributes.text(), a);
            }
        }
        if (info.row > kMaxRows) fail("has more rows than a sheet holds");
        if (hasS && customFormat) {
            info.hasStyle = true;
            info.style = checkedStyle(style);
        } else if (hasS) {
            info.extraAttributes += " s=\"" + std::to_string(checkedStyle(style)) + "\"";
        }
    }

    void readCell(pugi::xml_node c, RowInfo& info, int32_t previousColumn) {
        Cell& cell = info.cells.emplace_back();
        int32_t column = previousColumn + 1;
        std::string_view type;
        CellExtras extras;
        for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (name[0] == 'r' && name[1] == '\0') {
                int32_t row;
                if (!parseCell(a.value(), row, column))
                    fail("has a cell reference '" + std::string(a.value()) + "' outside the sheet");
                if (row != info.row) fail("has cell " + std::string(a.value()) + " inside row " + std::to_string(info.row));
            } else if (name[0] == 's' && name[1] == '\0') {
                uint32_t style = 0;
                parseUnsigned(a.value(), style);
                cell.style = checkedStyle(style);
            } else if (name[0] == 't' && name[1] == '\0') {
                type = a.value();
            } else if (isKeptCellAttribute(name)) {
                keepAttribute(extras.cellAttributes, a);
            }
        }
        if (column > kMaxColumns) fail("has more columns in row " + std::to_string(info.row) + " than a sheet holds");
        cell.column = static_cast<uint16_t>(column);

        pugi::xml_node v, f, is;
        for (pugi::xml_node child = c.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            std::string_view name = localName(child.name());
            if (name == "v") v = child;
            else if (name == "f") f = child;
            else if (name == "is") is = child;
        }

        std::string_view value = v ? std::string_view(v.child_value()) : std::string_view();
        if (f) readFormulaExtras(f, extras);
        Formula formula;
        if (f && formulaOf(f, info.row, column, formula)) {
            cachedValue(type, v, value, formula);
            cell.kind = CellKind::Formula;
            cell.payload.formulaId = store_.addFormula(std::move(formula));
        } else {
            plainValue(type, v, value, is, cell, info.row, column);
        }
        if (extras.any()) keepExtras(info.row, column, cell, std::move(extras));
    }

    static bool isKeptCellAttribute(std::string_view name) { return name == "vm" || name == "cm" || name == "ph"; }

    // A data table's formula whole; of other formulas the flags the model has no place for.
    static void readFormulaExtras(pugi::xml_node f, CellExtras& extras) {
        bool dataTable = std::string_view(f.attribute("t").value()) == "dataTable";
        for (pugi::xml_attribute a = f.first_attribute(); a; a = a.next_attribute()) {
            std::string_view name(a.name());
            if (!dataTable) {
                if (name == "ca" || name == "aca" || name == "bx") keepAttribute(extras.formulaAttributes, a);
            } else if (name == "ref") {
                extras.dataTableRef = a.value();
            } else if (name == "r1") {
                extras.dataTableR1 = a.value();
            } else if (name == "r2") {
                extras.dataTableR2 = a.value();
            } else if (name != "t") {
                if (name == "dt2D") extras.dataTable2D = isTrue(a.value());
                keepAttribute(extras.dataTableAttributes, a);
            }
        }
    }

    void keepExtras(int32_t row, int32_t column, const Cell& cell, CellExtras extras) {
        extras.kind = cell.kind;
        switch (cell.kind) {
            case CellKind::Number: extras.number = cell.payload.number; break;
            case CellKind::Boolean: extras.number = cell.payload.boolean ? 1 : 0; break;
            case CellKind::String:
            case CellKind::Error: extras.stringId = cell.payload.stringId; break;
            case CellKind::Formula: extras.formulaText = store_.formulas()[cell.payload.formulaId].text; break;
            case CellKind::Empty: return;  // nothing for the extras to belong to
        }
        keptCellAttributes(sheet_).add(row, column, std::move(extras));
    }

    // False when the element holds no usable formula (a data table, an unknown shared group).
    bool formulaOf(pugi::xml_node f, int32_t row, int32_t column, Formula& formula) {
        std::string_view kind = f.attribute("t").value();
        std::string_view text = f.child_value();
        if (kind == "shared") {
            uint32_t group = 0;
            if (!parseUnsigned(f.attribute("si").value(), group)) return false;
            if (!text.empty()) {
                sharedAnchors_[group] = SharedFormulaAnchor{row, column, std::string(text)};
                formula.text.assign(text);
                return true;
            }
            auto anchor = sharedAnchors_.find(group);
            if (anchor == sharedAnchors_.end()) return false;
            formula.text = host::formula::shiftFormula(anchor->second.text, row - anchor->second.row, column - anchor->second.column);
            return !formula.text.empty();
        }
        if (kind == "dataTable" || text.empty()) return false;
        formula.text.assign(text);
        if (kind == "array") {
            formula.setArrayArea(parseCellRange(f.attribute("ref").value()).value_or(Area::cell(row, column)));
        }
        return true;
    }

    void cachedValue(std::string_view type, pugi::xml_node v, std::string_view value, Formula& formula) {
        if (!v) return;
        if (type == "str" || type == "inlineStr") {
            formula.cachedKind = CellKind::String;
            std::string text(value);
            decodeEscapedCharacters(text);
            formula.setCachedText(text);
        } else if (type == "s") {
            uint32_t index;
            if (parseUnsigned(v.child_value(), index) && index < source_.sharedStrings.size()) {
                formula.cachedKind = CellKind::String;
                formula.setCachedText(pool_.text(source_.sharedStrings[index]));
            }
        } else if (type == "b") {
            formula.cachedKind = CellKind::Boolean;
            formula.cachedNumber = isTrue(v.child_value()) ? 1 : 0;
        } else if (type == "e") {
            formula.cachedKind = CellKind::Error;
            formula.setCachedText(keptErrorText(value));
        } else if (parseNumber(value, formula.cachedNumber)) {
            formula.cachedKind = CellKind::Number;
        }
    }

    void plainValue(std::string_view type, pugi::xml_node v, std::string_view value, pugi::xml_node is, Cell& cell,
                    int32_t row, int32_t column) {
        if (type == "inlineStr") {
            if (!is) return;
            std::string text = plainTextOf(is);
            pugi::xml_node firstElement = is.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
            bool rich = firstElement && localName(firstElement.name()) != "t";
            cell.kind = CellKind::String;
            cell.payload.stringId = rich ? pool_.addRich(std::move(text), innerXmlWithoutPrefix(is)) : pool_.intern(text);
            return;
        }
        if (!v) return;
        if (type == "s") {
            // An empty <v/> names no string: the application opens the cell as empty.
            if (value.empty()) return;
            uint32_t index = 0;
            if (!parseUnsigned(v.child_value(), index) || index >= source_.sharedStrings.size()) {
                char ref[kCellAddressCapacity];
                fail("refers to shared string '" + std::string(value) + "' in cell " +
                     std::string(ref, formatCell(row, column, ref)) + ", which the workbook does not have");
            }
            cell.kind = CellKind::String;
            cell.payload.stringId = source_.sharedStrings[index];
        } else if (type == "str") {
            std::string text(value);
            decodeEscapedCharacters(text);
            cell.kind = CellKind::String;
            cell.payload.stringId = pool_.intern(text);
        } else if (type == "b") {
            cell.kind = CellKind::Boolean;
            cell.payload.boolean = isTrue(v.child_value());
        } else if (type == "e") {
            cell.kind = CellKind::Error;
            cell.payload.stringId = pool_.intern(keptErrorText(value));
        } else if (type == "d") {
            double serial;
            if (parseIsoDate(value, source_.date1904, serial)) {
                cell.kind = CellKind::Number;
                cell.payload.number = serial;
            }
        } else {
            double number;
            if (parseNumber(value, number)) {
                cell.kind = CellKind::Number;
                cell.payload.number = number;
            } else if (!value.empty()) {
                cell.kind = CellKind::String;
                cell.payload.stringId = pool_.intern(value);
            }
        }
    }

    // Rows and cells as files normally have them, sorted and unique, need nothing; anything else
    // is sorted, and a repeated row or cell is merged into one (the later cell wins).
    void normalize() {
        auto& rows = store_.rows();
        auto outOfOrder = [](const RowInfo& a, const RowInfo& b) { return a.row >= b.row; };
        if (std::adjacent_find(rows.begin(), rows.end(), outOfOrder) != rows.end()) {
            std::stable_sort(rows.begin(), rows.end(), [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; });
            size_t out = 0;
            for (size_t i = 0; i < rows.size(); ++i) {
                if (out > 0 && rows[out - 1].row == rows[i].row) {
                    auto& target = rows[out - 1].cells;
                    target.insert(target.end(), rows[i].cells.begin(), rows[i].cells.end());
                } else {
                    if (out != i) rows[out] = std::move(rows[i]);
                    ++out;
                }
            }
            rows.resize(out);
        }
        for (RowInfo& row : rows) {
            auto& cells = row.cells;
            auto cellsOutOfOrder = [](const Cell& a, const Cell& b) { return a.column >= b.column; };
            if (std::adjacent_find(cells.begin(), cells.end(), cellsOutOfOrder) == cells.end()) continue;
            std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.column < b.column; });
            size_t out = 0;
            for (size_t i = 0; i < cells.size(); ++i) {
                if (out > 0 && cells[out - 1].column == cells[i].column) cells[out - 1] = cells[i];
                else cells[out++] = cells[i];
            }
            cells.resize(out);
        }
    }

    Worksheet& sheet_;
    CellStore& store_;
    StringPool& pool_;
    const WorksheetSource& source_;
    std::unordered_map<uint32_t, SharedFormulaAnchor> sharedAnchors_;
};

}  // namespace

void readWorksheet(PartBuffer buffer, Worksheet& sheet, const WorksheetSource& source) {
    pugi::xml_document document;
    parsePart(document, std::move(buffer), source.fileName, source.partName);
    pugi::xml_node root = document.document_element();
    WorksheetParser parser(sheet, source);
    std::vector<pugi::xml_node> modelled;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        std::string_view name = localName(child.name());
        if (name == "sheetData") {
            parser.readSheetData(child);
            modelled.push_back(child);
        } else if (name == "cols") {
            parser.readColumns(child);
            modelled.push_back(child);
        } else if (name == "mergeCells") {
            parser.readMerges(child);
            modelled.push_back(child);
        } else if (name == "dimension") {
            modelled.push_back(child);
        } else if (name == "sheetFormatPr") {
            parser.readSheetFormat(child);
        }
    }
    for (pugi::xml_node node : modelled) root.remove_child(node);
    keptSheetXml(sheet).reset(document);
}

}  // namespace tavlora::host::xlsx
