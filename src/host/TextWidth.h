#pragma once
#include <string_view>

#include "host/Styles.h"

// Estimates of how much room a text takes on screen, for AutoFit. There are no font files here:
// Latin text is measured with advance widths close to those of the default font (Calibri), scaled
// to the font's size; East Asian wide characters take two digit widths. Results are in pixels at
// 96 dots per inch.
namespace tavlora::host::textwidth {

// Width of one line of text (no line breaks) in the font.
double linePixels(std::u32string_view line, const FontInfo& font);
// The widest digit of the font, the unit of column widths.
double maxDigitPixels(const FontInfo& font);
// Column width in characters (the unit of ColumnWidth) that shows `pixels` of text in a sheet
// whose standard font is `standard`, including the cell's padding.
double columnWidthFor(double pixels, const FontInfo& standard);
// Pixels of text a column of `characters` width shows.
double pixelsForColumnWidth(double characters, const FontInfo& standard);
// Height in points of one line of text in the font.
double lineHeightPoints(const FontInfo& font);

}  // namespace tavlora::host::textwidth
