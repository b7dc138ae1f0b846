#include "host/format/TextWidth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tavlora::host::textwidth {

namespace {

constexpr double kUnitsPerEm = 2048;
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr double kBoldFactor = 1.07;
constexpr double kCellPaddingPixels = 10;  // what the application leaves around a fitted text

// Advance widths (font units of a 2048 em) of the printable ASCII characters, U+0020..U+007E.
constexpr std::array<uint16_t, 95> kAsciiAdvance{
    463,  532, 821,  1038, 1040, 1462, 1407, 452,  621,  621,  1020, 1020, 511,  627,  517,  791,   // space to /
    1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038,                                  // 0-9
    548,  548, 1020, 1020, 1020, 949,  1831,                                                      // : to @
    1185, 1114, 1092, 1260, 1000, 941, 1292, 1276, 516, 653, 1064, 861, 1751, 1322, 1356, 1058,  // A-P
    1378, 1112, 941,  998,  1314, 1162, 1822, 1063, 998, 959,                                     // Q-Z
    628,  800, 628,  1020, 1020, 596,                                                            // [ to `
    981,  1076, 866, 1076, 1019, 625, 964, 1076, 470, 490, 931, 470, 1636, 1076, 1080, 1076,     // a-p
    1076, 714,  801, 686,  1076, 925, 1464, 887, 927, 809,                                       // q-z
    644,  943, 644,  1020};                                                                      // { to ~
constexpr uint16_t kDigitAdvance = 1038;
constexpr uint16_t kOtherAdvance = 1000;  // other alphabetic scripts: about an average letter

// East Asian wide and full-width characters (they take two columns in a monospaced terminal).
bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD) ||
           (c >= 0x1F300 && c <= 0x1F64F);
}

double pixelsPerUnit(const FontInfo& font) { return font.size * kPixelsPerPoint / kUnitsPerEm; }

// Line heights the application uses for the common sizes of its default font (points).
struct LineHeight {
    double size;
    double points;
};
constexpr std::array<LineHeight, 16> kLineHeights{{{8, 11.25},  {9, 12},     {10, 12.75}, {11, 15},
                                                   {12, 15.75}, {14, 18.75}, {16, 21},    {18, 23.25},
                                                   {20, 26.25}, {22, 28.5},  {24, 31.5},  {26, 33.75},
                                                   {28, 36.75}, {36, 46.5},  {48, 63},    {72, 93.75}}};

}  // namespace

// Screen fonts are drawn on whole pixels: every character advances by a rounded width.
double glyphPixels(double units, const FontInfo& font) {
    double pixels = units * pixelsPerUnit(font);
    return std::round(font.bold ? pixels * kBoldFactor : pixels);
}

double linePixels(std::u32string_view line, const FontInfo& font) {
    double pixels = 0;
    for (char32_t c : line) {
        if (c >= 0x20 && c <= 0x7E) pixels += glyphPixels(kAsciiAdvance[c - 0x20], font);
        else if (isWide(c)) pixels += 2 * glyphPixels(kDigitAdvance, font);
        else if (c == U'\t') pixels += 4 * glyphPixels(kAsciiAdvance[0], font);
        else if (c >= 0x20) pixels += glyphPixels(kOtherAdvance, font);
    }
    return pixels;
}

FontMetrics::FontMetrics(const FontInfo& font)
    : tab_(4 * glyphPixels(kAsciiAdvance[0], font)),
      wide_(2 * glyphPixels(kDigitAdvance, font)),
      other_(glyphPixels(kOtherAdvance, font)) {
    for (size_t i = 0; i < ascii_.size(); ++i) ascii_[i] = glyphPixels(kAsciiAdvance[i], font);
}

double FontMetrics::charPixels(char32_t c) const {
    if (c >= 0x20 && c <= 0x7E) return ascii_[c - 0x20];
    if (isWide(c)) return wide_;
    if (c == U'\t') return tab_;
    return c >= 0x20 ? other_ : 0;
}

double FontMetrics::widestLinePixels(std::string_view text) const {
    // Printable ASCII (nearly every byte of a table's texts and numbers) is added straight from
    // the table; anything else takes forEachLine's way, adding the same widths in the same order.
    double widest = 0;
    double pixels = 0;
    size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte <= 0x7E) {
            pixels += ascii_[byte - 0x20];
            ++at;
            continue;
        }
        const char32_t c = base::nextCodePoint(text, at);
        if (c == U'\n') {
            widest = std::max(widest, pixels);
            pixels = 0;
        } else if (c != U'\r') {
            pixels += charPixels(c);
        }
    }
    return std::max(widest, pixels);
}

double maxDigitPixels(const FontInfo& font) { return std::round(kDigitAdvance * pixelsPerUnit(font)); }

double columnWidthFor(double pixels, const FontInfo& standard) {
    double digit = std::max(1.0, maxDigitPixels(standard));
    // A column of w characters is w * digit + 5 pixels wide.
    double characters = (std::ceil(pixels) + kCellPaddingPixels - 5) / digit;
    // Widths are stored in 1/256 of a character.
    return std::floor(characters * 256 + 0.5) / 256;
}

double pixelsForColumnWidth(double characters, const FontInfo& standard) {
    return characters * std::max(1.0, maxDigitPixels(standard)) + 5 - kCellPaddingPixels;
}

double lineHeightPoints(const FontInfo& font) {
    for (const auto& entry : kLineHeights)
        if (std::abs(entry.size - font.size) < 1e-9) return entry.points;
    // Other sizes: about 1.3 times the size, on the 0.75 point (one pixel) grid.
    return std::ceil(font.size * 1.3 / 0.75) * 0.75;
}

}  // namespace tavlora::host::textwidth
