#pragma once
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

private:
    struct Format {
        NumberFormat numberFormat;
        bool showsTextAsIs = false;
    };
    const Format& formatOf(uint32_t style);

    const Worksheet& sheet_;
    std::unordered_map<uint32_t, Format> formats_;
};

}  // namespace tavlora::host
