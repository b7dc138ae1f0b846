#pragma once

// Column widths: the engine counts characters of the default font's widest digit, as the
// ColumnWidth property shows them; files store that count plus the cell padding (5 pixels at the
// 7-pixel digit of the usual default fonts), so a column of 8.43 characters is stored as about
// 9.14. The conversions are exact inverses up to the 1e-8 the writer rounds to.
namespace tavlora::host::xlsx {

constexpr double kColumnPadding = 5.0 / 7.0;

inline double charactersFromFileWidth(double fileWidth) {
    return fileWidth > kColumnPadding ? fileWidth - kColumnPadding : 0;
}

double fileWidthFromCharacters(double characters);

}  // namespace tavlora::host::xlsx
