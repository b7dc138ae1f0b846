#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/xlsx/SharedFormulaGroups.h"
#include "host/xlsx/SharedStrings.h"
#include "host/xlsx/ZipOutput.h"

namespace tavlora::host {
class Worksheet;
struct Cell;
struct RowInfo;
}  // namespace tavlora::host

namespace tavlora::host::xlsx {

class KeptCellAttributes;
struct CellExtras;

struct WorksheetTarget {
    const SharedStringTable& strings;
    bool active = false;  // the workbook's active sheet: its view is a selected tab
    // False when the part is written without the relationships it was read with (a new part for
    // a sheet that carries kept XML): elements that point through relationships are left out.
    bool withRelationships = true;
    std::string mainNamespace;
    std::string relationshipsNamespace;
    // The r:id of a <drawing> to write when the part has none yet (charts were added); "" = none.
    std::string drawingRelationshipId;
    // The active sheet was selected as read, so the tabs selected with it (a group) stay selected.
    bool keepsGroupedTabs = false;
};

// Streams the worksheet part: the kept XML with the modelled elements written from the model in
// their schema places, and sheetData written row by row straight from the cell store (a batch of
// rows per piece, no document tree). The sheet and the table must outlive the producer.
std::unique_ptr<PartProducer> worksheetProducer(const Worksheet& sheet, const WorksheetTarget& target);

// The modelled elements one at a time. `prefix` is the namespace prefix of the part's root
// ("" or "x:").
class SheetXmlWriter {
public:
    SheetXmlWriter(const Worksheet& sheet, const SharedStringTable& strings, std::string_view prefix);

    void row(std::string& out, const RowInfo& row) const;
    void cell(std::string& out, int32_t row, const Cell& cell, bool rowStyled = false) const;
    void columns(std::string& out) const;
    void mergeCells(std::string& out) const;
    void dimension(std::string& out) const;

private:
    struct RowLabel;
    // The common cells, laid out at once; false when `cell` needs the general path.
    bool plainCell(std::string& out, const RowLabel& row, const Cell& cell, bool rowStyled) const;
    bool plainFormulaCopy(std::string& out, const RowLabel& row, const Cell& cell, bool rowStyled) const;
    template <bool kPrefixed>
    static size_t layOutPlainCell(char* buffer, std::string_view sheetPrefix, const RowLabel& row, const Cell& cell,
                                  uint32_t stringIndex, bool styled);
    char* putCellStart(char* at, char* end, const RowLabel& row, const Cell& cell, bool rowStyled) const;
    void fullCell(std::string& out, int32_t row, const Cell& cell, bool rowStyled) const;
    void open(std::string& out, std::string_view name) const;
    void dataTableFormula(std::string& out, const CellExtras& extras) const;
    void close(std::string& out, std::string_view name) const;
    // Kept apart from cell(): a list of values writes no formula, and cell() stays small.
    void formulaCell(std::string& out, int32_t row, const Cell& c, const CellExtras* extras) const;
    const std::string& sharedFormulaTag(uint32_t group) const;
    const Worksheet& sheet_;
    const SharedStringTable& strings_;
    std::string_view prefix_;
    // Columns with a format of their own: a cell there says s="0" when it has none, since some
    // readers give a cell without s its column's format. Up to the last such column; every column
    // past it is styled only by a sheet format (a bit per column of the grid cost every save 2 KiB
    // filled).
    bool columnStyled(uint16_t column) const {
        return column < styledColumns_.size() ? styledColumns_[column] : sheetStyled_;
    }
    std::vector<bool> styledColumns_;
    bool sheetStyled_ = false;
    bool rowsHiddenByDefault_ = false;  // <sheetFormatPr zeroHeight="1">
    bool defaultHeightSet_ = false;     // the default row height differs from the file's
    const KeptCellAttributes* keptCells_ = nullptr;
    SharedFormulaGroups sharedFormulas_;
    mutable std::vector<std::string> sharedTags_;  // by group, made when first written
};

}  // namespace tavlora::host::xlsx
