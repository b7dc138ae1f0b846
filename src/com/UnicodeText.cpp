#include "com/UnicodeText.h"

#include "base/Ascii.h"
#include "base/CharacterCase.h"
#include "base/Utf8.h"

namespace tavlora::com {

namespace {

char32_t simpleUpper(char32_t cp) {
    if (cp < 0x80) return static_cast<char32_t>(base::asciiUpper(static_cast<char>(cp)));
    return base::simpleUpperCase(cp);
}

// Full-width ASCII forms and the ideographic space to their ASCII counterparts.
char32_t foldWidth(char32_t cp) {
    if (cp >= 0xFF01 && cp <= 0xFF5E) return cp - 0xFEE0;
    if (cp == 0x3000) return U' ';
    return cp;
}

char32_t foldCaseAndWidthOf(char32_t cp) { return simpleUpper(foldWidth(cp)); }

template <typename Map>
std::string mapCodePoints(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) base::appendUtf8(out, map(base::nextCodePoint(text, i)));
    return out;
}

}  // namespace

std::string upperCase(std::string_view text) { return mapCodePoints(text, simpleUpper); }

std::string foldCaseAndWidth(std::string_view text) { return mapCodePoints(text, foldCaseAndWidthOf); }

namespace {

// Compares code point by code point under `fold`, without building either folded text.
template <typename Fold>
bool equalsUnder(std::string_view a, std::string_view b, Fold fold) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        // ASCII, nearly every name compared, is its own code point: no decoding.
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[j]);
        if (x < 0x80 && y < 0x80) {
            if (x != y && fold(char32_t{x}) != fold(char32_t{y})) return false;
            ++i;
            ++j;
            continue;
        }
        if (fold(base::nextCodePoint(a, i)) != fold(base::nextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) { return equalsUnder(a, b, simpleUpper); }

bool equalsIgnoreCaseAndWidth(std::string_view a, std::string_view b) { return equalsUnder(a, b, foldCaseAndWidthOf); }

std::string trimBlanks(std::string_view text) { return trimRightBlanks(trimLeftBlanks(text)); }

std::string trimLeftBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string trimRightBlanks(std::string_view text) {
    size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

}  // namespace tavlora::com
