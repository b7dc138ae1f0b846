#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/WorksheetWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <unordered_set>

#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/cells/CellRef.h"
#include "host/formula/CalcEngine.h"
#include "host/formula/FutureFunctions.h"
#include "host/xlsx/ColumnWidth.h"
#include "host/xlsx/ElementOrder.h"
#include "host/xlsx/NumberText.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

constexpr double kStandardColumnWidth = 8.43;
constexpr double kStandardRowHeight = 15;

void appendUnsigned(std::string& out, uint64_t value) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

void appendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendEscapedAttribute(out, value);
    out += '"';
}

void appendNumberAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    appendNumber(out, value);
    out += '"';
}

// A size attribute as written; -1 when it is no number.
double keptSize(std::string_view text) {
    double value = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec != std::errc() || end != text.data() + text.size() ? -1 : value;
}

// The default row height the sheet's file gave (the standard one when it gave none).
double keptDefaultRowHeight(const Worksheet& sheet) {
    const double value = keptSize(childByLocalName(keptSheetRoot(sheet), "sheetFormatPr").attribute("defaultRowHeight").value());
    return value < 0 ? kStandardRowHeight : value;
}

// What the last calculation compiled: formulas of one shape share a pointer.
SharedFormulaGroups::ShapeOf formulaShapesOf(const Worksheet& sheet) {
    auto book = sheet.weakWorkbook().lock();
    const int32_t index = book ? book->indexOf(sheet) : -1;
    // Read only while the groups are found, before any row is laid out or computed.
    return index < 0 ? SharedFormulaGroups::ShapeOf{} : book->calculation().formulaShapes(index);
}

// Computes the formulas of the sheet's first `rowCount` stored rows when a save's calculation is
// under way (CalcEngine::calculateRows), so that rows are laid out with their values as soon as
// they have them.
std::function<void(size_t rowCount)> rowCalculationOf(const Worksheet& sheet) {
    auto book = sheet.weakWorkbook().lock();
    const int32_t index = book ? book->indexOf(sheet) : -1;
    if (index < 0) return [](size_t) {};
    formula::CalcEngine* engine = &book->calculation();
    return [engine, index](size_t rowCount) { engine->calculateRows(index, rowCount); };
}

// The plain cell path lays a cell out in a buffer of this size: the prefix comes four times, the
// rest is at most "<c r=\"XFD1048576\" s=\"4294967295\" t=\"s\"><v>" + a number + "</v></c>".
constexpr size_t kLongestPlainPrefix = 16;
constexpr size_t kPlainCellCapacity = 4 * kLongestPlainPrefix + 64 + kNumberTextCapacity;
// A shared formula's tag adds a prefix and at most 32 characters to a number cell.
constexpr size_t kPlainFormulaCapacity = kPlainCellCapacity + kLongestPlainPrefix + 32;

inline char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// "A".."XFD", as in cell references.
char* putColumn(char* at, int32_t column) {
    const size_t n = column <= 26 ? 1 : column <= 702 ? 2 : 3;
    for (size_t i = n; i-- > 0;) {
        at[i] = static_cast<char>('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    return at + n;
}

}  // namespace

// A row number as the text every cell reference in the row ends with.
struct SheetXmlWriter::RowLabel {
    explicit RowLabel(int32_t row) : number(row) {
        size = static_cast<size_t>(std::to_chars(text, text + sizeof text, row).ptr - text);
    }
    // Bytes of `text` a plain cell copies at once: a sheet's row numbers have at most seven digits.
    static constexpr size_t kCopied = 8;
    int32_t number;
    char text[12] = {};
    size_t size;
};

double charactersFromFileWidth(double fileWidth) {
    if (fileWidth <= kColumnPadding) return 0;
    return std::round((fileWidth - kColumnPadding) * 1e8) / 1e8;
}

double fileWidthFromCharacters(double characters) {
    if (characters <= 0) return 0;
    return std::round((characters + kColumnPadding) * 1e8) / 1e8;
}

// ---- SheetXmlWriter ----------------------------------------------------------------------------

SheetXmlWriter::SheetXmlWriter(const Worksheet& sheet, const SharedStringTable& strings, std::string_view prefix)
    : sheet_(sheet),
      strings_(strings),
      prefix_(prefix),
      sheetStyled_(sheet.hasSheetStyle()),
      rowsHiddenByDefault_(isTrue(childByLocalName(keptSheetRoot(sheet), "sheetFormatPr").attribute("zeroHeight").value())),
      defaultHeightSet_(sheet.defaultRowHeight() != keptDefaultRowHeight(sheet)),
      keptCells_(findKeptCellAttributes(sheet)) {
    // A cell with kept formula attributes or a data table writes its own formula element. A sheet
    // without such cells asks nothing per formula.
    SharedFormulaGroups::Apart apart;
    if (keptCells_)
        apart = [this](int32_t row, const Cell& cell) {
            return keptCells_->find(row, cell.column, cell, sheet_.store().formulas()) != nullptr;
        };
    sharedFormulas_ = SharedFormulaGroups(sheet.store(), formulaShapesOf(sheet), apart);
    for (const ColumnInfo& info : sheet.store().columns()) {
        if (!info.hasStyle) continue;
        const int32_t last = std::min(info.last, kMaxColumns);
        if (styledColumns_.size() <= size_t(std::max(last, 0))) styledColumns_.resize(size_t(last) + 1, sheetStyled_);
        for (int32_t c = std::max(info.first, 1); c <= last; ++c) styledColumns_[size_t(c)] = true;
    }
}

void SheetXmlWriter::open(std::string& out, std::string_view name) const {
    out += '<';
    out += prefix_;
    out += name;
}

void SheetXmlWriter::close(std::string& out, std::string_view name) const {
    out += "</";
    out += prefix_;
    out += name;
    out += '>';
}

void SheetXmlWriter::row(std::string& out, const RowInfo& info) const {
    // Where rows are hidden by default, a row listed at all is shown.
    bool carriesSomething = !info.cells.empty() || info.height >= 0 || info.customHeight || info.hidden ||
                            info.hasStyle || !info.extraAttributes.empty() || rowsHiddenByDefault_;
    if (!carriesSomething) return;
    open(out, "row r=\"");
    appendUnsigned(out, static_cast<uint32_t>(info.row));
    out += '"';
    if (info.hasStyle) {
        out += " s=\"";
        appendUnsigned(out, info.style);
        out += "\" customFormat=\"1\"";
    }
    // A listed row without a height of its own on a sheet whose default height the program set
    // (Cells.RowHeight) has that height as a custom one: readers that size such a row by its
    // font (LibreOffice) would otherwise not show it at the height the program chose.
    const bool takesSetDefault = info.height < 0 && defaultHeightSet_;
    if (info.height >= 0) appendNumberAttribute(out, "ht", info.height);
    if (takesSetDefault) appendNumberAttribute(out, "ht", sheet_.defaultRowHeight());
    if (info.customHeight || takesSetDefault) out += " customHeight=\"1\"";
    if (info.hidden) out += " hidden=\"1\"";
    out += info.extraAttributes;
    size_t beforeCells = out.size();
    out += '>';
    const RowLabel label(info.row);
    for (const Cell& c : info.cells)
        if (!plainCell(out, label, c, info.hasStyle) && !plainFormulaCopy(out, label, c, info.hasStyle))
            fullCell(out, info.row, c, info.hasStyle);
    if (out.size() == beforeCells + 1) {
        out.back() = '/';
        out += '>';
    } else {
        close(out, "row");
    }
}

void SheetXmlWriter::cell(std::string& out, int32_t row, const Cell& c, bool rowStyled) const {
    const RowLabel label(row);
    if (!plainCell(out, label, c, rowStyled) && !plainFormulaCopy(out, label, c, rowStyled)) fullCell(out, row, c, rowStyled);
}

// Most cells of a large sheet are of these kinds, and the general way's dozen appends of a few
// bytes each were most of the cost of laying the sheet out.
bool SheetXmlWriter::plainCell(std::string& out, const RowLabel& row, const Cell& c, bool rowStyled) const {
    if (prefix_.size() > kLongestPlainPrefix) return false;
    uint32_t index = 0;
    switch (c.kind) {
        case CellKind::Empty:
        case CellKind::Boolean:
            break;
        case CellKind::Number:
            if (!std::isfinite(c.payload.number)) return false;
            break;
        case CellKind::String:
            if (c.payload.stringId >= strings_.fileIndex.size()) return false;
            index = strings_.fileIndex[c.payload.stringId];
            if (index == SharedStringTable::kUnused) return false;
            break;
        default:
            return false;
    }
    if (keptCells_ && keptCells_->find(row.number, c.column, c, sheet_.store().formulas())) return false;
    const bool styled = c.style != 0 || rowStyled || columnStyled(c.column);
    char buffer[kPlainCellCapacity];
    // Without a prefix (nearly every sheet) each piece has a size known here, and is copied
    // without a call.
    const size_t length = prefix_.empty() ? layOutPlainCell<false>(buffer, prefix_, row, c, index, styled)
                                          : layOutPlainCell<true>(buffer, prefix_, row, c, index, styled);
    out.append(buffer, length);
    return true;
}

template <bool kPrefixed>
size_t SheetXmlWriter::layOutPlainCell(char* buffer, std::string_view sheetPrefix, const RowLabel& row, const Cell& c,
                                       uint32_t stringIndex, bool styled) {
    const std::string_view prefix = kPrefixed ? sheetPrefix : std::string_view("", 0);
    char* const end = buffer + kPlainCellCapacity;
    char* at = put(buffer, "<");
    at = put(at, prefix);
    at = put(at, "c r=\"");
    at = putColumn(at, c.column);
    // The row's digits in one copy of fixed size (the buffer has room for it).
    std::memcpy(at, row.text, RowLabel::kCopied);
    if (row.size > RowLabel::kCopied) std::memcpy(at + RowLabel::kCopied, row.text + RowLabel::kCopied, row.size - RowLabel::kCopied);
    at += row.size;
    at = put(at, "\"");
    if (styled) {
        at = put(at, " s=\"");
        at = std::to_chars(at, end, c.style).ptr;
        at = put(at, "\"");
    }
    if (c.kind == CellKind::Empty) {
        at = put(at, "/>");
    } else {
        if (c.kind == CellKind::String) at = put(at, " t=\"s\"");
        if (c.kind == CellKind::Boolean) at = put(at, " t=\"b\"");
        at = put(at, "><");
        at = put(at, prefix);
        at = put(at, "v>");
        if (c.kind == CellKind::Number) at += formatNumber(c.payload.number, at);
        else if (c.kind == CellKind::String) at = std::to_chars(at, end, stringIndex).ptr;
        else at = put(at, c.payload.boolean ? "1" : "0");
        at = put(at, "</");
        at = put(at, prefix);
        at = put(at, "v></");
        at = put(at, prefix);
        at = put(at, "c>");
    }
    return static_cast<size_t>(at - buffer);
}

// "<c r=... s=..." of a plain formula cell (plainCell writes its own: a call there costs the
// value cells more than the formula cells save).
char* SheetXmlWriter::putCellStart(char* at, char* end, const RowLabel& row, const Cell& c, bool rowStyled) const {
    at = put(at, "<");
    if (!prefix_.empty()) at = put(at, prefix_);
    at = put(at, "c r=\"");
    at = putColumn(at, c.column);
    // The row's digits in one copy of fixed size, as the plain cells do.
    std::memcpy(at, row.text, RowLabel::kCopied);
    if (row.size > RowLabel::kCopied) std::memcpy(at + RowLabel::kCopied, row.text + RowLabel::kCopied, row.size - RowLabel::kCopied);
    at += row.size;
    at = put(at, "\"");
    if (c.style != 0 || rowStyled || columnStyled(c.column)) {
        at = put(at, " s=\"");
        at = std::to_chars(at, end, c.style).ptr;
        at = put(at, "\"");
    }
    return at;
}

// Most formula cells of a list: a later copy in a shared formula's run, with a number for its
// value. Laid out at once as plainCell lays out a number, with the group's tag.
bool SheetXmlWriter::plainFormulaCopy(std::string& out, const RowLabel& row, const Cell& c, bool rowStyled) const {
    if (c.kind != CellKind::Formula || prefix_.size() > kLongestPlainPrefix) return false;
    const auto& formulas = sheet_.store().formulas();
    if (c.payload.formulaId >= formulas.size()) return false;
    const Formula& f = formulas[c.payload.formulaId];
    if (f.cachedKind != CellKind::Number || !std::isfinite(f.cachedNumber) || f.isArray()) return false;
    const SharedFormulaRole* shared = sharedFormulas_.find(c.payload.formulaId);
    if (!shared || shared->first()) return false;
    if (keptCells_ && keptCells_->find(row.number, c.column, c, formulas)) return false;
    char buffer[kPlainFormulaCapacity];
    char* at = putCellStart(buffer, buffer + sizeof buffer, row, c, rowStyled);
    at = put(at, ">");
    at = put(at, sharedFormulaTag(shared->group));
    if (prefix_.empty()) {
        // Pieces of sizes known here are copied without a call.
        at = put(at, "<v>");
        at += formatNumber(f.cachedNumber, at);
        at = put(at, "</v></c>");
    } else {
        at = put(at, "<");
        at = put(at, prefix_);
        at = put(at, "v>");
        at += formatNumber(f.cachedNumber, at);
        at = put(at, "</");
        at = put(at, prefix_);
        at = put(at, "v></");
        at = put(at, prefix_);
        at = put(at, "c>");
    }
    out.append(buffer, static_cast<size_t>(at - buffer));
    return true;
}

void SheetXmlWriter::fullCell(std::string& out, int32_t row, const Cell& c, bool rowStyled) const {
    char reference[kCellAddressCapacity];
    open(out, "c r=\"");
    out.append(reference, formatCell(row, c.column, reference));
    out += '"';
    if (c.style != 0 || rowStyled || columnStyled(c.column)) {
        out += " s=\"";
        appendUnsigned(out, c.style);
        out += '"';
    }
    const StringPool& pool = sheet_.workbookStore().strings;
    const CellExtras* extras = keptCells_ ? keptCells_->find(row, c.column, c, sheet_.store().formulas()) : nullptr;
    if (extras) out += extras->cellAttributes;
    auto value = [&](auto&& appendValue) {
        out += '>';
        if (extras && extras->hasDataTable()) dataTableFormula(out, *extras);
        open(out, "v>");
        appendValue();
        close(out, "v");
        close(out, "c");
    };
    switch (c.kind) {
        case CellKind::Empty:
            out += "/>";
            return;
        case CellKind::Number:
            if (std::isfinite(c.payload.number)) {
                value([&] { appendNumber(out, c.payload.number); });
            } else {
                out += " t=\"e\"";
                value([&] { out += "#NUM!"; });
            }
            return;
        case CellKind::String: {
            uint32_t index = c.payload.stringId < strings_.fileIndex.size() ? strings_.fileIndex[c.payload.stringId]
                                                                           : SharedStringTable::kUnused;
            if (index == SharedStringTable::kUnused) {  // not in the table: write the text inline
                out += " t=\"inlineStr\">";
                open(out, "is>");
                const std::string& text = c.payload.stringId < pool.size() ? pool.text(c.payload.stringId) : std::string();
                open(out, needsSpacePreserve(text) ? "t xml:space=\"preserve\">" : "t>");
                appendEscapedText(out, text);
                close(out, "t");
                close(out, "is");
                close(out, "c");
                return;
            }
            out += " t=\"s\"";
            value([&] { appendUnsigned(out, index); });
            return;
        }
        case CellKind::Boolean:
            out += " t=\"b\"";
            value([&] { out += c.payload.boolean ? '1' : '0'; });
            return;
        case CellKind::Error:
            out += " t=\"e\"";
            value([&] { appendEscapedText(out, *sheet_.errorTextOf(c)); });
            return;
        case CellKind::Formula:
            break;
    }
    formulaCell(out, row, c, extras);
}

// The rest of a formula cell, after its attributes: <f> and the computed value.
void SheetXmlWriter::formulaCell(std::string& out, int32_t row, const Cell& c, const CellExtras* extras) const {
    const auto& formulas = sheet_.store().formulas();
    if (c.payload.formulaId >= formulas.size()) {
        out += "/>";
        return;
    }
    const Formula& f = formulas[c.payload.formulaId];
    switch (f.cachedKind) {
        case CellKind::String: out += " t=\"str\""; break;
        case CellKind::Boolean: out += " t=\"b\""; break;
        case CellKind::Error: out += " t=\"e\""; break;
        default: break;
    }
    out += '>';
    const SharedFormulaRole* shared = f.isArray() ? nullptr : sharedFormulas_.find(c.payload.formulaId);
    if (shared && !shared->first() && !extras) {
        out += sharedFormulaTag(shared->group);
    } else {
        open(out, "f");
        if (extras) out += extras->formulaAttributes;
        if (f.isArray()) {
            out += " t=\"array\" ref=\"";
            out += cellRangeAddress(f.arrayArea());
            out += '"';
        } else if (shared) {
            out += " t=\"shared\"";
            if (shared->first()) {
                out += " ref=\"";
                out += cellRangeAddress(Area{row, c.column, shared->lastRow, c.column});
                out += '"';
            }
            out += " si=\"";
            appendUnsigned(out, shared->group);
            out += '"';
        }
        if (shared && !shared->first()) {
            out += "/>";
        } else {
            out += '>';
            appendEscapedText(out, formula::withFutureFunctionPrefixes(f.text));
            close(out, "f");
        }
    }
    bool hasValue = true;
    switch (f.cachedKind) {
        case CellKind::Number:
            if (std::isfinite(f.cachedNumber)) {
                open(out, "v>");
                appendNumber(out, f.cachedNumber);
            } else {
                hasValue = false;
            }
            break;
        case CellKind::String:
        case CellKind::Error:
            open(out, "v>");
            appendEscapedText(out, f.cachedText());
            break;
        case CellKind::Boolean:
            open(out, "v>");
            out += f.cachedNumber != 0 ? '1' : '0';
            break;
        default:
            hasValue = false;
            break;
    }
    if (hasValue) close(out, "v");
    close(out, "c");
}

// The later cells of a group share one tag, made once: a list of formulas writes it on every row.
const std::string& SheetXmlWriter::sharedFormulaTag(uint32_t group) const {
    if (group >= sharedTags_.size()) sharedTags_.resize(size_t(group) + 1);
    std::string& tag = sharedTags_[group];
    if (tag.empty()) {
        open(tag, "f t=\"shared\" si=\"");
        appendUnsigned(tag, group);
        tag += "\"/>";
    }
    return tag;
}

// The data table's formula as read, with its references where the cells moved.
void SheetXmlWriter::dataTableFormula(std::string& out, const CellExtras& extras) const {
    open(out, "f t=\"dataTable\"");
    appendAttribute(out, "ref", extras.dataTableRef);
    out += extras.dataTableAttributes;
    if (!extras.dataTableR1.empty()) appendAttribute(out, "r1", extras.dataTableR1);
    if (!extras.dataTableR2.empty()) appendAttribute(out, "r2", extras.dataTableR2);
    out += "/>";
}

void SheetXmlWriter::columns(std::string& out) const {
    const auto& columns = sheet_.store().columns();
    bool sheetStyle = sheet_.hasSheetStyle();
    if (columns.empty() && !sheetStyle) return;
    double fillWidth = sheet_.defaultColumnWidth();
    auto col = [&](int32_t first, int32_t last, double width, double fileWidth, bool customWidth, bool hidden,
                   bool hasStyle, uint32_t style, std::string_view extra) {
        open(out, "col min=\"");
        appendUnsigned(out, static_cast<uint32_t>(first));
        out += "\" max=\"";
        appendUnsigned(out, static_cast<uint32_t>(last));
        out += '"';
        // A column without a width shows with none; write the sheet's default instead.
        if (width < 0) width = fillWidth;
        bool unchanged = fileWidth >= 0 && charactersFromFileWidth(fileWidth) == width;
        appendNumberAttribute(out, "width", unchanged ? fileWidth : fileWidthFromCharacters(width));
        if (hasStyle) {
            out += " style=\"";
            appendUnsigned(out, style);
            out += '"';
        }
        if (hidden) out += " hidden=\"1\"";
        if (customWidth) out += " customWidth=\"1\"";
        out += extra;
        out += "/>";
    };
    open(out, "cols>");
    int32_t nextFree = 1;
    for (const ColumnInfo& info : columns) {
        if (info.first < nextFree || info.last < info.first) continue;  // overlapping ranges are invalid
        if (sheetStyle && info.first > nextFree) col(nextFree, info.first - 1, -1, -1, false, false, true, sheet_.sheetStyle(), {});
        bool hasStyle = info.hasStyle || sheetStyle;
        col(info.first, info.last, info.width, info.fileWidth, info.customWidth, info.hidden, hasStyle,
            info.hasStyle ? info.style : sheet_.sheetStyle(), info.extraAttributes);
        nextFree = info.last + 1;
    }
    if (sheetStyle && nextFree <= kMaxColumns) col(nextFree, kMaxColumns, -1, -1, false, false, true, sheet_.sheetStyle(), {});
    close(out, "cols");
}

void SheetXmlWriter::mergeCells(std::string& out) const {
    const auto& merges = sheet_.mergedAreas();
    if (merges.empty()) return;
    open(out, "mergeCells count=\"");
    appendUnsigned(out, merges.size());
    out += "\">";
    for (const Area& area : merges) {
        open(out, "mergeCell ref=\"");
        out += cellRangeAddress(area);
        // A one-cell merge is still written as a range ("B2:B2"), the form the application uses.
        if (area.cellCount() == 1) {
            char buffer[kCellAddressCapacity];
            out += ':';
            out.append(buffer, formatCell(area.lastRow, area.lastColumn, buffer));
        }
        out += "\"/>";
    }
    close(out, "mergeCells");
}

void SheetXmlWriter::dimension(std::string& out) const {
    Area used;
    bool any = sheet_.store().usedArea(used);
    open(out, "dimension ref=\"");
    out += any ? cellRangeAddress(used) : std::string("A1");
    out += "\"/>";
}

// ---- the part ----------------------------------------------------------------------------------

namespace {

// Elements pointing through the relationships of the part they were read with.
void removeRelationshipElements(pugi::xml_document& document) {
    pugi::xml_node root = document.document_element();
    std::unordered_set<std::string> prefixes;
    for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
        std::string_view name(a.name());
        std::string_view value(a.value());
        if (name.starts_with("xmlns:") && value.ends_with("/relationships"))
            prefixes.insert(std::string(name.substr(6)) + ":");
    }
    auto pointsThroughRelationship = [&](pugi::xml_node node) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
            if (prefixes.count(std::string(prefixOf(a.name())))) return true;
        return false;
    };
    std::vector<pugi::xml_node> doomed;
    pugi::xml_node node = root.first_child();
    while (node && node != root) {
        if (node.type() == pugi::node_element && pointsThroughRelationship(node)) {
            doomed.push_back(node);
        } else if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) node = node.parent();
        if (node && node != root) node = node.next_sibling();
    }
    for (pugi::xml_node element : doomed) {
        pugi::xml_node parent = element.parent();
        parent.remove_child(element);
        // A list left empty is invalid (<hyperlinks/>, <tableParts count="1"/>).
        while (parent != root && !parent.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; })) {
            pugi::xml_node up = parent.parent();
            up.remove_child(parent);
            parent = up;
        }
    }
}

class WorksheetProducer : public PartProducer {
public:
    WorksheetProducer(const Worksheet& sheet, const WorksheetTarget& target)
        : sheet_(sheet), target_(target), calculateRows_(rowCalculationOf(sheet)) {
        const pugi::xml_document* kept = findKeptSheetXml(sheet);
        if (kept && kept->document_element() && !target.withRelationships) {
            stripped_.reset(*kept);
            removeRelationshipElements(stripped_);
            kept = &stripped_;
        }
        pugi::xml_node root = kept ? kept->document_element() : pugi::xml_node();
        if (root) buildFromKept(root);
        else buildNew();
    }

    bool next(std::string& out) override {
        switch (phase_) {
            case Phase::Head:
                out += head_;
                phase_ = Phase::Rows;
                return true;
            case Phase::Rows: {
                const auto& rows = sheet_.store().rows();
                // A piece is about 64 KiB of rows, however much the caller already holds in `out`.
                constexpr size_t kChunk = 1 << 16;
                // Rows are computed a few hundred at a time: often enough that the first piece
                // goes to the deflating threads early, seldom enough to cost nothing per row.
                constexpr size_t kCalculatedAtOnce = 256;
                const size_t start = out.size();
                while (hasRows_ && row_ < rows.size() && out.size() - start < kChunk) {
                    if (row_ == calculatedRows_) {
                        calculatedRows_ = row_ + kCalculatedAtOnce;
                        calculateRows_(calculatedRows_);
                    }
                    writer_->row(out, rows[row_++]);
                }
                if (!hasRows_ || row_ == rows.size()) phase_ = Phase::Tail;
                return true;
            }
            case Phase::Tail:
                out += tail_;
                return false;
        }
        return false;
    }

private:
    enum class Phase { Head, Rows, Tail };

    void buildNew() {
        prefix_.clear();
        writer_ = std::make_unique<SheetXmlWriter>(sheet_, target_.strings, prefix_);
        head_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"";
        head_ += target_.mainNamespace;
        head_ += "\" xmlns:r=\"";
        head_ += target_.relationshipsNamespace;
        head_ += "\">";
        writer_->dimension(head_);
        if (target_.active) head_ += "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>";
        appendSheetFormat(head_, pugi::xml_node());
        writer_->columns(head_);
        head_ += "<sheetData>";
        tail_ = "</sheetData>";
        writer_->mergeCells(tail_);
        tail_ += "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>";
        appendDrawing(tail_);
        tail_ += "</worksheet>";
    }

    void buildFromKept(pugi::xml_node root) {
        prefix_ = prefixOf(root.name());
        writer_ = std::make_unique<SheetXmlWriter>(sheet_, target_.strings, prefix_);
        std::string_view rootName = localName(root.name());
        head_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        appendStartTag(head_, root);

        std::vector<std::string_view> generated;
        bool hasCells = rootName != "dialogsheet";  // a dialog sheet has no grid
        if (hasCells) {
            generated = {"dimension", "cols", "sheetData"};
            if (rootName != "macrosheet") generated.push_back("mergeCells");
            if (!childByLocalName(root, "sheetFormatPr")) generated.push_back("sheetFormatPr");
        } else {
            hasRows_ = false;
        }
        if (!target_.drawingRelationshipId.empty() && !childByLocalName(root, "drawing")) generated.push_back("drawing");
        std::string* out = &head_;
        visitChildrenInOrder(
            root, worksheetOrder(), generated,
            [&](pugi::xml_node child) {
                std::string_view name = localName(child.name());
                if (child.type() == pugi::node_element && name == "sheetFormatPr") appendSheetFormat(*out, child);
                else if (child.type() == pugi::node_element && name == "sheetViews") appendSheetViews(*out, child);
                else appendNodeXml(*out, child);
            },
            [&](size_t i) {
                std::string_view name = generated[i];
                if (name == "dimension") writer_->dimension(*out);
                else if (name == "cols") writer_->columns(*out);
                else if (name == "mergeCells") writer_->mergeCells(*out);
                else if (name == "sheetFormatPr") appendSheetFormat(*out, pugi::xml_node());
                else if (name == "drawing") appendDrawing(*out);
                else if (name == "sheetData") {
                    *out += '<';
                    *out += prefix_;
                    *out += "sheetData>";
                    out = &tail_;
                    *out += "</";
                    *out += prefix_;
                    *out += "sheetData>";
                }
            });
        *out += "</";
        *out += root.name();
        *out += '>';
    }

    // The drawing of charts added to a sheet that had none; the namespace is declared on the element
    // itself, since a kept root may not declare it.
    void appendDrawing(std::string& out) const {
        if (target_.drawingRelationshipId.empty()) return;
        out += '<';
        out += prefix_;
        out += "drawing xmlns:r=\"";
        appendEscapedAttribute(out, target_.relationshipsNamespace);
        out += "\" r:id=\"";
        appendEscapedAttribute(out, target_.drawingRelationshipId);
        out += "\"/>";
    }

    // The kept <sheetFormatPr> with the model's default sizes, or a new one.
    void appendSheetFormat(std::string& out, pugi::xml_node kept) const {
        out += '<';
        out += prefix_;
        out += "sheetFormatPr";
        double keptWidth = -1;
        double keptHeight = -1;
        bool keptCustomHeight = false;
        for (pugi::xml_attribute a = kept.first_attribute(); a; a = a.next_attribute()) {
            std::string_view name(a.name());
            if (name == "defaultRowHeight") {
                keptHeight = keptSize(a.value());
                continue;
            }
            keptCustomHeight = keptCustomHeight || name == "customHeight";
            if (name == "defaultColWidth") {
                keptWidth = keptSize(a.value());
                continue;
            }
            appendAttribute(out, name, a.value());
        }
        double height = sheet_.defaultRowHeight();
        appendNumberAttribute(out, "defaultRowHeight", height);
        // Without customHeight the application sizes rows by their font and ignores the default.
        if (!keptCustomHeight && height != (keptHeight >= 0 ? keptHeight : kStandardRowHeight))
            appendAttribute(out, "customHeight", "1");
        double width = sheet_.defaultColumnWidth();
        if (keptWidth >= 0 && charactersFromFileWidth(keptWidth) == width)
            appendNumberAttribute(out, "defaultColWidth", keptWidth);
        else if (keptWidth >= 0 || width != kStandardColumnWidth)
            appendNumberAttribute(out, "defaultColWidth", fileWidthFromCharacters(width));
        out += "/>";
    }

    // The active sheet's view is a selected tab. Other sheets selected with it form a group that
    // stays as long as the active sheet is still one of them; when another sheet became active the
    // group is gone, as in the application when a tab outside the group is clicked.
    void appendSheetViews(std::string& out, pugi::xml_node kept) const {
        pugi::xml_document copy;
        pugi::xml_node views = copy.append_copy(kept);
        for (pugi::xml_node view = views.first_child(); view; view = view.next_sibling()) {
            if (view.type() != pugi::node_element || localName(view.name()) != "sheetView") continue;
            pugi::xml_attribute selected = view.attribute("tabSelected");
            if (target_.active) {
                if (!selected) selected = view.prepend_attribute("tabSelected");
                selected.set_value("1");
            } else if (selected && !target_.keepsGroupedTabs) {
                view.remove_attribute(selected);
            }
            if (target_.active) break;  // one selected view is enough
        }
        appendNodeXml(out, views);
    }

    const Worksheet& sheet_;
    const WorksheetTarget& target_;
    pugi::xml_document stripped_;
    std::string prefix_;
    std::unique_ptr<SheetXmlWriter> writer_;
    std::string head_;
    std::string tail_;
    Phase phase_ = Phase::Head;
    bool hasRows_ = true;
    size_t row_ = 0;
    std::function<void(size_t)> calculateRows_;
    size_t calculatedRows_ = 0;
};

}  // namespace

std::unique_ptr<PartProducer> worksheetProducer(const Worksheet& sheet, const WorksheetTarget& target) {
    return std::make_unique<WorksheetProducer>(sheet, target);
}

}  // namespace tavlora::host::xlsx
