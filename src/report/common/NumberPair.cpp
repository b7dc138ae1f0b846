#include "report/common/NumberPair.h"

#include <string_view>

#include "base/Utf8.h"
#include "com/Conversions.h"

namespace tavlora::common::MCommExcel {
namespace {

constexpr std::string_view kFullWidthComma = "\xEF\xBC\x8C";  // U+FF0C
constexpr int64_t kLongestText = 32767;

std::string replaceFullWidthCommas(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        if (text.substr(pos, kFullWidthComma.size()) == kFullWidthComma) {
            out += ',';
            pos += kFullWidthComma.size();
        } else {
            out += text[pos++];
        }
    }
    return out;
}

// Numeric text to a 16-bit integer, half to even; false when it is not numeric or overflows.
bool toInt16(const std::string& text, int16_t& out) {
    double value = 0;
    if (!com::parseNumericText(text, value)) return false;
    try {
        out = com::roundToInt16(value);
        return true;
    } catch (const com::Error&) {
        return false;
    }
}

}  // namespace

bool ParseNumberPair(const std::string& strText, int16_t& nFirst, int16_t& nSecond) {
    nFirst = 1;
    nSecond = 0;
    try {
        std::string text = com::trimBlanks(strText);
        if (text.empty()) return true;
        text = replaceFullWidthCommas(text);
        if (base::utf16Length(text) > kLongestText) return false;

        std::string left, right;
        if (size_t comma = text.find(','); comma != std::string::npos) {
            left = com::trimRightBlanks(std::string_view(text).substr(0, comma));
            right = com::trimLeftBlanks(std::string_view(text).substr(comma + 1));
        } else {
            left = text;
        }
        if (!com::isNumericText(left)) return false;
        if (!right.empty() && !com::isNumericText(right)) return false;

        if (!toInt16(left, nFirst)) return false;
        if (!right.empty() && !toInt16(right, nSecond)) return false;
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace tavlora::common::MCommExcel
