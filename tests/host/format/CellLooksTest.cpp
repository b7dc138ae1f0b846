#include <gtest/gtest.h>

#include <cstdlib>

#include "host/format/CellColor.h"
#include "host/format/CellLooks.h"
#include "host/format/Styles.h"

namespace tavlora::host {
namespace {

constexpr const char* kLookStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="3"><font><sz val="11"/><color theme="1"/><name val="Calibri"/></font>)"
    R"(<font><strike/><u/><sz val="11"/><color theme="4" tint="-0.25"/><name val="Calibri"/></font>)"
    R"(<font><strike val="0"/><u val="double"/><color indexed="10"/><name val="Calibri"/></font></fonts>)"
    R"(<fills count="5"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor rgb="FF1F4E79"/><bgColor indexed="64"/></patternFill></fill>)"
    R"(<fill><patternFill patternType="darkGrid"><fgColor indexed="22"/></patternFill></fill>)"
    R"(<fill><gradientFill degree="90"><stop position="0"><color theme="0" tint="-0.5"/></stop>)"
    R"(<stop position="1"><color rgb="FF000000"/></stop></gradientFill></fill></fills>)"
    R"(<borders count="2"><border><left/><right/><top/><bottom/><diagonal/></border>)"
    R"(<border><left style="thin"><color rgb="FF00FF00"/></left><right style="none"/><top style="double"/>)"
    R"(<bottom style="mediumDashed"><color auto="1"/></bottom><diagonal style="thick"/></border></borders>)"
    R"(<cellXfs count="5"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>)"
    R"(<xf fontId="1" fillId="2" borderId="1"/><xf fontId="2" fillId="3"/><xf fillId="4"/><xf fillId="1"/></cellXfs>)"
    R"(</styleSheet>)";

// Channels of two colours differ by at most `slack`.
bool closeTo(uint32_t a, uint32_t b, int slack) {
    for (int shift : {16, 8, 0})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > slack) return false;
    return true;
}

TEST(CellColorTest, ThemeIndexedRgbAndAutomaticColours) {
    const ThemeColors& theme = defaultThemeColors();
    using K = ColorRef::Kind;
    // Cells name the light colour of the scheme first: theme 0 is lt1, 1 is dk1, 2 is lt2, 3 is dk2.
    EXPECT_EQ(resolveColor({K::Theme, 0}, theme), 0xFFFFFFu);
    EXPECT_EQ(resolveColor({K::Theme, 1}, theme), 0x000000u);
    EXPECT_EQ(resolveColor({K::Theme, 2}, theme), 0xE7E6E6u);
    EXPECT_EQ(resolveColor({K::Theme, 3}, theme), 0x44546Au);
    EXPECT_EQ(resolveColor({K::Theme, 4}, theme), 0x4472C4u);
    EXPECT_EQ(resolveColor({K::Theme, 12}, theme), std::nullopt);
    EXPECT_EQ(resolveColor({K::Indexed, 10}, theme), 0xFF0000u);
    EXPECT_EQ(resolveColor({K::Indexed, 22}, theme), 0xC0C0C0u);
    EXPECT_EQ(resolveColor({K::Indexed, 63}, theme), 0x333333u);
    EXPECT_EQ(resolveColor({K::Indexed, 64}, theme), 0x000000u);
    EXPECT_EQ(resolveColor({K::Indexed, 65}, theme), 0xFFFFFFu);
    EXPECT_EQ(resolveColor({K::Indexed, 200}, theme), std::nullopt);
    EXPECT_EQ(resolveColor({K::Rgb, 0x123456}, theme), 0x123456u);
    EXPECT_EQ(resolveColor({K::Auto, 0}, theme), std::nullopt);
    EXPECT_EQ(resolveColor({K::None, 0}, theme), std::nullopt);
}

TEST(CellColorTest, TintLightensOrDarkensInHsl) {
    EXPECT_EQ(applyTint(0xFFFFFF, -0.5), 0x808080u);
    EXPECT_EQ(applyTint(0x000000, 0.5), 0x808080u);
    EXPECT_EQ(applyTint(0x4472C4, 0), 0x4472C4u);
    EXPECT_EQ(applyTint(0x4472C4, 1), 0xFFFFFFu);
    EXPECT_EQ(applyTint(0x4472C4, -1), 0x000000u);
    // Hue and saturation stay: the application's "Blue, Accent 1" lighter 80 % and darker 25 %.
    EXPECT_TRUE(closeTo(applyTint(0x4472C4, 0.7999816888943144), 0xD9E1F2, 2)) << std::hex << applyTint(0x4472C4, 0.7999816888943144);
    EXPECT_TRUE(closeTo(applyTint(0x4472C4, -0.249977111117893), 0x305496, 2)) << std::hex << applyTint(0x4472C4, -0.249977111117893);
    // A tint on a theme colour is applied after the scheme lookup.
    EXPECT_EQ(resolveColor({ColorRef::Kind::Theme, 0, -0.5}, defaultThemeColors()), 0x808080u);
}

TEST(CellLooksTest, FillsBordersAndFontLooksOfEachCellFormat) {
    CellLooks looks(kLookStyles);
    using K = ColorRef::Kind;

    const CellLook& plain = looks.of(0);
    EXPECT_EQ(plain.fill.kind, K::None);
    EXPECT_EQ(plain.left.style, "");
    EXPECT_EQ(plain.fontColor, (ColorRef{K::Theme, 1}));
    EXPECT_EQ(plain.underline, "");
    EXPECT_FALSE(plain.strike);

    const CellLook& ruled = looks.of(1);
    EXPECT_EQ(ruled.fill, (ColorRef{K::Rgb, 0x1F4E79}));
    EXPECT_EQ(ruled.fontColor, (ColorRef{K::Theme, 4, -0.25}));
    EXPECT_EQ(ruled.underline, "single");
    EXPECT_TRUE(ruled.strike);
    EXPECT_EQ(ruled.left, (BorderLine{"thin", {K::Rgb, 0x00FF00}}));
    EXPECT_EQ(ruled.right, (BorderLine{}));
    EXPECT_EQ(ruled.top, (BorderLine{"double", {}}));
    EXPECT_EQ(ruled.bottom, (BorderLine{"mediumDashed", {K::Auto, 0}}));

    const CellLook& pattern = looks.of(2);  // a pattern shows as its foreground colour
    EXPECT_EQ(pattern.fill, (ColorRef{K::Indexed, 22}));
    EXPECT_EQ(pattern.underline, "double");
    EXPECT_FALSE(pattern.strike);
    EXPECT_EQ(pattern.fontColor, (ColorRef{K::Indexed, 10}));

    EXPECT_EQ(looks.of(3).fill, (ColorRef{K::Theme, 0, -0.5}));  // a gradient as its first stop
    EXPECT_EQ(looks.of(4).fill.kind, K::None);  // gray125 without a foreground colour
    EXPECT_EQ(looks.of(99).fill.kind, K::None);  // a format a damaged file names but lacks
}

TEST(CellLooksTest, ReadsTheStylesOfAWorkbookAndSurvivesBadInput) {
    Styles styles;
    styles.loadXml(kLookStyles);
    EXPECT_EQ(CellLooks(styles.toXml()).of(1).fill, (ColorRef{ColorRef::Kind::Rgb, 0x1F4E79}));

    CellLooks broken("<styleSheet><cellXfs><xf fillId=");
    EXPECT_EQ(broken.of(0).fill.kind, ColorRef::Kind::None);
    // Indexes past the lists and colours without a kind look plain.
    CellLooks dangling(R"(<styleSheet><fills><fill><patternFill patternType="solid"><fgColor/></patternFill></fill></fills>)"
                       R"(<cellXfs><xf fillId="7" borderId="3" fontId="9"/><xf fillId="0"/></cellXfs></styleSheet>)");
    EXPECT_EQ(dangling.of(0).fill.kind, ColorRef::Kind::None);
    EXPECT_EQ(dangling.of(0).top.style, "");
    EXPECT_EQ(dangling.of(1).fill.kind, ColorRef::Kind::None);
}

}  // namespace
}  // namespace tavlora::host
