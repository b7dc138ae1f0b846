#pragma once
#include <array>
#include <string_view>

#include "base/Utf8.h"
#include "host/format/Styles.h"

// Estimates of how much room a text takes on screen, for AutoFit. There are no font files here:
// Latin text is measured with advance widths close to those of the default font (Calibri), scaled
// to the font's size; East Asian wide characters take two digit widths. Results are in pixels at
// 96 dots per inch.
namespace tavlora::host::textwidth {

// Width of one line of text (no line breaks) in the font.
double linePixels(std::u32string_view line, const FontInfo& font);

// The widths of one font's characters, worked out once, for measuring many texts in it (AutoFit
// over a whole table). Measures as linePixels does, straight from UTF-8, allocating nothing.
class FontMetrics {
public:
    explicit FontMetrics(const FontInfo& font);
    // Calls onLine(pixels) for each line of a UTF-8 text: lines end at "\n", "\r" takes no room,
    // and an ill-formed part counts as U+FFFD.
    template <typename OnLine>
    void forEachLine(std::string_view text, OnLine&& onLine) const;
    double widestLinePixels(std::string_view text) const;

private:
    double charPixels(char32_t c) const;

    std::array<double, 95> ascii_{};  // U+0020..U+007E
    double tab_ = 0;
    double wide_ = 0;
    double other_ = 0;
};
// The widest digit of the font, the unit of column widths.
double maxDigitPixels(const FontInfo& font);
// Column width in characters (the unit of ColumnWidth) that shows `pixels` of text in a sheet
// whose standard font is `standard`, including the cell's padding.
double columnWidthFor(double pixels, const FontInfo& standard);
// Pixels of text a column of `characters` width shows.
double pixelsForColumnWidth(double characters, const FontInfo& standard);
// Height in points of one line of text in the font.
double lineHeightPoints(const FontInfo& font);

template <typename OnLine>
void FontMetrics::forEachLine(std::string_view text, OnLine&& onLine) const {
    double pixels = 0;
    size_t at = 0;
    while (at < text.size()) {
        char32_t c = base::nextCodePoint(text, at);
        if (c == U'\n') {
            onLine(pixels);
            pixels = 0;
        } else if (c != U'\r') {
            pixels += charPixels(c);
        }
    }
    onLine(pixels);
}

}  // namespace tavlora::host::textwidth
