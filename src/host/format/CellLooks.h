#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/format/CellColor.h"

namespace tavlora::host {

// One side of a cell's border: its line style as the style sheet names it ("thin", "dashed", ...;
// "" for none) and its colour.
struct BorderLine {
    std::string style;
    ColorRef color;
    bool operator==(const BorderLine&) const = default;
};

// How a cell format paints a cell beyond its font and alignment: the fill behind it, the lines
// around it and the colour and decorations of its text.
struct CellLook {
    ColorRef fill;  // None: no fill
    BorderLine left, right, top, bottom;
    ColorRef fontColor;
    std::string underline;  // "" none, else "single", "double", "singleAccounting", ...
    bool strike = false;
};

// The looks of a style sheet's cell formats, read from the styles part once. Only pages draw
// them, so they are read on demand instead of kept with every workbook's styles.
class CellLooks {
public:
    // Reads the styles part; ill-formed XML or a missing part leaves every cell plain.
    explicit CellLooks(const std::string& stylesXml);

    // The look of a cell format; a format that does not exist looks plain.
    const CellLook& of(uint32_t xf) const;

private:
    std::vector<CellLook> looks_;
};

}  // namespace tavlora::host
