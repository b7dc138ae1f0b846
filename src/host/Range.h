#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "com/Dispatch.h"
#include "com/Variant.h"
#include "host/cells/CellRef.h"

namespace tavlora::host {

class Worksheet;
class RangeFont;
struct StyleChange;
struct CellFormatInfo;

namespace lookin {
constexpr int32_t kValues = -4163;
constexpr int32_t kFormulas = -4123;
}  // namespace lookin

// A cheap value: a worksheet and an area of it. Whole rows / columns / the sheet are areas like
// any other; every operation costs in proportion to the used cells inside the area.
class Range {
public:
    Range(std::shared_ptr<Worksheet> sheet, Area area);

    const std::shared_ptr<Worksheet>& worksheet() const { return sheet_; }
    const Area& area() const { return area_; }

    // Value of the top-left cell: Empty, Double, String, Boolean, or Error for error cells; a
    // formula cell gives its cached value.
    com::Variant value() const;
    // Writes every cell of the area (host error for more than a million cells). Texts that read
    // as numbers become numbers unless the cell's format is text ("@"); texts starting with "="
    // stay texts. Null and Empty clear the value; arrays are not accepted (type mismatch).
    void setValue(const com::Variant& v);
    // Range.Formula: the top-left cell's formula ("=A1*2"), or its value when it holds none.
    com::Variant formula() const;
    // Writes the formula into every cell of the area ("=" first; other texts are values).
    void setFormula(const std::string& formula);
    // The displayed text of the top-left cell (value rendered with its number format).
    std::string text() const;

    std::string address() const;  // "$B$5", "$B$5:$C$7", "$1:$2", "$A:$A"
    int32_t row() const { return area_.firstRow; }
    int32_t column() const { return area_.firstColumn; }
    // The same area seen as columns / rows (Count counts columns / rows).
    Range columns() const;
    Range rows() const;
    int64_t count() const;
    // Cells(row, column) relative to the top-left cell, 1-based (may lie outside the area).
    Range cell(int32_t row, int32_t column) const;

    // Searches the displayed text (kValues) or the formula text (kFormulas) of the area's cells by
    // rows for `what` (wildcards * and ?, ~ escapes; part match; case and width ignored), starting
    // after the top-left cell (or `after`) and wrapping, so the top-left cell is tried last.
    std::optional<Range> find(const std::string& what, int32_t lookIn = lookin::kValues,
                              const std::optional<Range>& after = std::nullopt) const;
    // Continues the last Find of this sheet after `after`, wrapping.
    std::optional<Range> findNext(const Range& after) const;

    void clear();         // values, formulas, formats and merges of the area
    void deleteCells();   // whole rows / columns: delete them; other areas: shift cells up
    void merge();
    void autoFit();       // on Columns: widths; on Rows: heights

    std::string numberFormatLocal() const;
    void setNumberFormatLocal(const std::string& format);
    int32_t horizontalAlignment() const;
    void setHorizontalAlignment(int32_t a);
    int32_t verticalAlignment() const;
    void setVerticalAlignment(int32_t a);
    double rowHeight() const;  // of the first row
    void setRowHeight(double points);
    double columnWidth() const;
    void setColumnWidth(double characters);
    RangeFont font() const;

private:
    friend class RangeFont;
    // How the area is seen: Columns / Rows change what Count counts and what AutoFit fits.
    enum class View : uint8_t { Cells, Rows, Columns };
    Range(std::shared_ptr<Worksheet> sheet, Area area, View view);
    void applyStyle(const StyleChange& change);
    uint32_t topLeftStyle() const;
    const CellFormatInfo& topLeftFormat() const;
    void fitColumnWidths();
    void fitRowHeights();

    std::shared_ptr<Worksheet> sheet_;
    Area area_;
    View view_ = View::Cells;
};

class RangeFont {
public:
    explicit RangeFont(Range range) : range_(std::move(range)) {}
    std::string name() const;
    void setName(const std::string& name);
    // "Regular", "Bold", "Italic", "Bold Italic".
    std::string fontStyle() const;
    void setFontStyle(const std::string& style);
    double size() const;
    void setSize(double points);
    bool bold() const;
    void setBold(bool bold);

private:
    Range range_;
};

// A Range held by an automation client (in a Variant).
class RangeObject : public com::Dispatch {
public:
    explicit RangeObject(Range range) : range_(std::move(range)) {}
    const Range& range() const { return range_; }
    const com::DispatchTable& dispatchTable() const override;

private:
    Range range_;
};

}  // namespace tavlora::host
