#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Utf8.h"
#include "host/format/TextWidth.h"

namespace tavlora::host::test {
namespace {

// The line-by-line measure of the general function, for comparison.
std::vector<double> linesByDecoding(const std::string& text, const FontInfo& font) {
    std::vector<double> widths;
    std::u32string line;
    for (char32_t c : base::decodeUtf8(text)) {
        if (c == U'\n') {
            widths.push_back(textwidth::linePixels(line, font));
            line.clear();
        } else if (c != U'\r') {
            line += c;
        }
    }
    widths.push_back(textwidth::linePixels(line, font));
    return widths;
}

std::vector<double> linesByMetrics(const std::string& text, const FontInfo& font) {
    std::vector<double> widths;
    textwidth::FontMetrics(font).forEachLine(text, [&](double pixels) { widths.push_back(pixels); });
    return widths;
}

TEST(TextWidthTest, FontMetricsMeasureEveryKindOfCharacterAsLinePixelsDoes) {
    const std::vector<std::string> texts = {
        "",
        "Customer 12345",
        "tab\there, bell\a, delete\x7F",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E and \xC3\xA9t\xC3\xA9",  // wide and accented
        "one\r\ntwo\nthree\n",
        "bad \xFF byte, cut \xE6\x97",
        "\xF0\x9F\x98\x80 emoji",
    };
    FontInfo bold{"Calibri", 11};
    bold.bold = true;
    for (const FontInfo& font : {FontInfo{"Calibri", 11}, FontInfo{"\xE5\xAE\x8B\xE4\xBD\x93", 10}, bold}) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(text);
            EXPECT_EQ(linesByMetrics(text, font), linesByDecoding(text, font));
        }
    }
    EXPECT_EQ(textwidth::FontMetrics(FontInfo{"Calibri", 11}).widestLinePixels("ab\nlonger line\nc"),
              textwidth::linePixels(U"longer line", FontInfo{"Calibri", 11}));
}

// The widest line is found by a way of its own for printable ASCII: the same widths, added in the
// same order, so the same doubles as the lines forEachLine gives (AutoFit rounds them up, and a
// last bit can change the width).
TEST(TextWidthTest, WidestLineIsTheWidestOfTheLinesExactly) {
    const std::vector<std::string> texts = {
        "", "-1234.56", "Customer 12345", "\n", "first\r\nsecond, longer\n", "trailing\n\n",
        "mixed \xC3\xA9t\xC3\xA9 \xE6\x97\xA5 and tab\t", "bad \xFF byte\nshort", "~ }{|` \x7F\x1F end",
    };
    for (const FontInfo& font : {FontInfo{"Calibri", 11}, FontInfo{"\xE5\xAE\x8B\xE4\xBD\x93", 10}}) {
        const textwidth::FontMetrics metrics(font);
        for (const std::string& text : texts) {
            SCOPED_TRACE(text);
            double widest = 0;
            metrics.forEachLine(text, [&](double pixels) { widest = std::max(widest, pixels); });
            EXPECT_EQ(metrics.widestLinePixels(text), widest);
        }
    }
}

}  // namespace
}  // namespace tavlora::host::test
