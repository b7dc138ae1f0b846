#pragma once
#include <array>
#include <cstdint>
#include <optional>

namespace tavlora::host {

// A colour as a style sheet names it: outright, by the workbook's theme, or by the legacy palette.
struct ColorRef {
    enum class Kind { None, Auto, Rgb, Theme, Indexed };
    Kind kind = Kind::None;
    uint32_t value = 0;  // RGB for Rgb (alpha dropped), else the theme or palette index
    double tint = 0;     // -1 darkest .. 1 lightest
    bool operator==(const ColorRef&) const = default;
};

// The twelve colours of a theme's colour scheme as RGB, in the scheme's own order: dk1, lt1, dk2,
// lt2, accent1..6, hlink, folHlink.
using ThemeColors = std::array<uint32_t, 12>;

// The scheme of the default theme of a new workbook, for packages without a theme.
const ThemeColors& defaultThemeColors();

// The RGB a cell shows for the colour; nothing for none and automatic (the reader's own colour).
std::optional<uint32_t> resolveColor(const ColorRef& color, const ThemeColors& theme);

// The colour lightened (tint > 0) or darkened (tint < 0) in HSL, as the application does.
uint32_t applyTint(uint32_t rgb, double tint);

}  // namespace tavlora::host
