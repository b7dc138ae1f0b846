#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "host/cells/CellStore.h"
#include "host/format/NumberFormat.h"

namespace tavlora::host {

class Worksheet;

// Displayed texts of many cells of one sheet (Find, AutoFit), parsing each cell format's number
// format once instead of once per cell. Holds a reference to the sheet: use it within one
// operation.
class CellTextRenderer {
public:
    explicit CellTextRenderer(const Worksheet& sheet) : sheet_(sheet) {}
    std::string text(const Cell& cell);
    // The same without a copy where it can: a text cell whose format shows texts as they are
    // (General, "@") gives a view of the workbook's text; anything else is rendered into
    // `scratch`, which the view then shows.
    std::string_view text(const Cell& cell, std::string& scratch);
    // False when the displayed text of `cell` cannot hold the ASCII character `c` (in either
    // case), told without rendering it: a text shown as it is holds no such character, and a
    // number under General or under a format of digits and separators only shows digits, signs,
    // separators and an exponent. True wherever that cannot be told so.
    bool mayShow(const Cell& cell, char c);
    // True when text(cell, scratch) is the workbook's text of cell.payload.stringId as it is, so
    // that what is worked out from it holds for every cell showing that text in that style.
    bool showsPooledText(const Cell& cell);

private:
    struct Format {
        std::optional<NumberFormat> numberFormat;  // parsed on the first render that needs it
        bool showsTextAsIs = false;
        bool showsNumbersPlain = false;  // General, or digits and separators only
        std::optional<bool> showsNumbersAsGeneral;  // known once the format is parsed
    };
    Format& formatOf(uint32_t style);
    const NumberFormat& numberFormatOf(uint32_t style);
    // The text of a number cell whose format shows it as its general text, where that text is
    // short (NumberFormat's own rendering makes a Variant and a string for each cell); empty
    // when the cell needs the general way.
    std::string_view shortNumberText(const Cell& cell, std::string& scratch);

    const Worksheet& sheet_;
    std::unordered_map<uint32_t, Format> formats_;
    // The format of the last style asked for: the cells of a column mostly share one.
    uint32_t lastStyle_ = 0;
    Format* lastFormat_ = nullptr;
};

}  // namespace tavlora::host
