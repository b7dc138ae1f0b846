#pragma once

// Column widths: the engine counts characters of the default font's widest digit, as the
// ColumnWidth property shows them; files store that count plus the cell padding (5 pixels at the
// 7-pixel digit of the usual default fonts), so a column of 8.43 characters is stored as about
// 9.14. 
namespace tavlora::host::xlsx {

constexpr double kColumnPadding = 5.0 / 7.0;

// Both round to 1e-8 (files carry widths in 1/256 steps, at most 8 decimals), so that a width
// read and written again is the same text.
double charactersFromFileWidth(double fileWidth);
double fileWidthFromCharacters(double characters);

}  // namespace tavlora::host::xlsx
