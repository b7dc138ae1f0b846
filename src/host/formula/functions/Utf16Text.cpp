#include "host/formula/functions/Utf16Text.h"

#include "base/Utf8.h"

namespace tavlora::host::formula {

std::u16string toUtf16(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = base::nextCodePoint(utf8, at);
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (c >> 10));
            units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    return units;
}

std::string fromUtf16(std::u16string_view units) {
    std::string utf8;
    utf8.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        base::appendUtf8(utf8, c);  // a lone surrogate appends U+FFFD
    }
    return utf8;
}

bool fitsInCell(std::string_view utf8) {
    // Every code unit takes at least one byte, so short texts need no counting.
    return utf8.size() <= kMaxTextLength || base::utf16Length(utf8) <= int64_t(kMaxTextLength);
}

}  // namespace tavlora::host::formula
