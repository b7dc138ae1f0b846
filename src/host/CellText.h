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

private:
    struct Format {
        std::optional<NumberFormat> numberFormat;  // parsed on the first render that needs it
        bool showsTextAsIs = false;
        bool showsNumbersPlain = false;  // General, or digits and separators only
    };
    Format& formatOf(uint32_t style);
    const NumberFormat& numberFormatOf(uint32_t style);

    const Worksheet& sheet_;
    std::unordered_map<uint32_t, Format> formats_;
};

}  // namespace tavlora::host
