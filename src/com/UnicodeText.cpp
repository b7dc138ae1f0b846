#include "com/UnicodeText.h"

#include <unicode/uchar.h>

namespace tavlora::com {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[i] and advances i. An ill-formed sequence (bad lead byte,
// missing continuation, overlong form, surrogate, beyond U+10FFFF) gives U+FFFD.
char32_t nextCodePoint(std::string_view text, size_t& i) {
    auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t continuationBytes;
    char32_t codePoint;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuationBytes = 1, codePoint = lead & 0x1Fu, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuationBytes = 2, codePoint = lead & 0x0Fu, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuationBytes = 3, codePoint = lead & 0x07u, smallest = 0x10000;
    } else {
        ++i;
        return kReplacementCharacter;
    }
    size_t j = i + 1;
    for (size_t k = 0; k < continuationBytes; ++k, ++j) {
        if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0u) != 0x80u) {
            i = j;
            return kReplacementCharacter;
        }
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[j]) & 0x3Fu);
    }
    i = j;
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return kReplacementCharacter;
    }
    return codePoint;
}

char32_t simpleUpper(char32_t cp) {
    if (cp < 0x80) return cp >= 'a' && cp <= 'z' ? cp - ('a' - 'A') : cp;
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(cp)));
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
    for (size_t i = 0; i < text.size();) appendUtf8(out, map(nextCodePoint(text, i)));
    return out;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string upperCase(std::string_view text) { return mapCodePoints(text, simpleUpper); }

std::string foldCaseAndWidth(std::string_view text) { return mapCodePoints(text, foldCaseAndWidthOf); }

bool equalsIgnoreCaseAndWidth(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (foldCaseAndWidthOf(nextCodePoint(a, i)) != foldCaseAndWidthOf(nextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

int64_t utf16Length(std::string_view text) {
    int64_t length = 0;
    for (size_t i = 0; i < text.size();) length += nextCodePoint(text, i) >= 0x10000 ? 2 : 1;
    return length;
}

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
