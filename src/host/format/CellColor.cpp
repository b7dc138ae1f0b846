#include "host/format/CellColor.h"

#include <algorithm>
#include <cmath>

namespace tavlora::host {

namespace {

// The legacy 64-colour palette that indexed colours name.
constexpr std::array<uint32_t, 64> kIndexedPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,  //
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,  //
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,  //
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,  //
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,  //
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,  //
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,  //
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
constexpr uint32_t kSystemForeground = 64;  // the window's text colour
constexpr uint32_t kSystemBackground = 65;  // the window's background

std::optional<uint32_t> indexedColor(uint32_t index) {
    if (index < kIndexedPalette.size()) return kIndexedPalette[index];
    if (index == kSystemForeground) return 0x000000;
    if (index == kSystemBackground) return 0xFFFFFF;
    return std::nullopt;
}

// Theme indexes in cells swap the first two pairs: 0 is lt1, 1 dk1, 2 lt2, 3 dk2.
std::optional<uint32_t> themeColor(uint32_t index, const ThemeColors& theme) {
    if (index >= theme.size()) return std::nullopt;
    if (index < 4) index ^= 1;
    return theme[index];
}

struct Hsl {
    double h, s, l;  // each 0..1
};

Hsl toHsl(uint32_t rgb) {
    double r = ((rgb >> 16) & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = (rgb & 0xFF) / 255.0;
    double hi = std::max({r, g, b}), lo = std::min({r, g, b}), l = (hi + lo) / 2, d = hi - lo;
    if (d == 0) return {0, 0, l};
    double s = l > 0.5 ? d / (2 - hi - lo) : d / (hi + lo);
    double h = hi == r ? (g - b) / d + (g < b ? 6 : 0) : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
    return {h / 6, s, l};
}

double hueChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

uint32_t toRgb(const Hsl& c) {
    auto byte = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    if (c.s == 0) {
        uint32_t v = byte(c.l);
        return v << 16 | v << 8 | v;
    }
    double q = c.l < 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s, p = 2 * c.l - q;
    return byte(hueChannel(p, q, c.h + 1.0 / 3)) << 16 | byte(hueChannel(p, q, c.h)) << 8 |
           byte(hueChannel(p, q, c.h - 1.0 / 3));
}

}  // namespace

const ThemeColors& defaultThemeColors() {
    static constexpr ThemeColors kOffice = {0x000000, 0xFFFFFF, 0x44546A, 0xE7E6E6, 0x4472C4, 0xED7D31,
                                            0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};
    return kOffice;
}

uint32_t applyTint(uint32_t rgb, double tint) {
    if (!(tint != 0) || !std::isfinite(tint)) return rgb;
    tint = std::clamp(tint, -1.0, 1.0);
    Hsl c = toHsl(rgb);
    c.l = tint < 0 ? c.l * (1 + tint) : c.l * (1 - tint) + tint;
    return toRgb(c);
}

std::optional<uint32_t> resolveColor(const ColorRef& color, const ThemeColors& theme) {
    std::optional<uint32_t> rgb;
    switch (color.kind) {
    case ColorRef::Kind::Rgb: rgb = color.value & 0xFFFFFF; break;
    case ColorRef::Kind::Theme: rgb = themeColor(color.value, theme); break;
    case ColorRef::Kind::Indexed: rgb = indexedColor(color.value); break;
    case ColorRef::Kind::None:
    case ColorRef::Kind::Auto: break;
    }
    if (rgb) rgb = applyTint(*rgb, color.tint);
    return rgb;
}

}  // namespace tavlora::host
