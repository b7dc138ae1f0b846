#include "host/xlsx/XmlText.h"

#include <cstdint>

#include "com/UnicodeText.h"

namespace tavlora::host::xlsx {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code point _xHHHH_ at text[i] stands for, or -1 when text[i] does not start one.
int32_t escapedCodePointAt(std::string_view text, size_t i) {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return -1;
    int32_t value = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
        int h = hexValue(text[k]);
        if (h < 0) return -1;
        value = value * 16 + h;
    }
    return value;
}

void appendHexEscape(std::string& out, uint32_t codePoint) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[7] = {'_', 'x', kDigits[(codePoint >> 12) & 15], kDigits[(codePoint >> 8) & 15],
                      kDigits[(codePoint >> 4) & 15], kDigits[codePoint & 15], '_'};
    out.append(buffer, sizeof buffer);
}

// Length of the well-formed UTF-8 sequence at text[i] (2 to 4), or 0 when it is not one.
// Surrogates and overlong forms are not well-formed.
size_t utf8SequenceLength(std::string_view text, size_t i, uint32_t& codePoint) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length;
    uint32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    codePoint = cp;
    return length;
}

enum class Context { Text, Attribute };

void appendEscaped(std::string& out, std::string_view text, Context context) {
    out.reserve(out.size() + text.size());
    size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing.
        size_t runStart = i;
        while (i < text.size()) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"' || c == '_') break;
            ++i;
        }
        out.append(text.data() + runStart, i - runStart);
        if (i >= text.size()) break;

        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            uint32_t cp = 0;
            size_t length = utf8SequenceLength(text, i, cp);
            if (length == 0) {
                out += kReplacement;
                ++i;
            } else {
                if (cp == 0xFFFE || cp == 0xFFFF) {
                    if (context == Context::Text) appendHexEscape(out, cp);
                    else out += kReplacement;
                } else {
                    out.append(text.data() + i, length);
                }
                i += length;
            }
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"':
                if (context == Context::Attribute) out += "&quot;";
                else out += '"';
                break;
            case '_':
                // A literal _xHHHH_ would read back as the character it spells.
                if (context == Context::Text && escapedCodePointAt(text, i) >= 0) out += "_x005F_";
                else out += '_';
                break;
            case '\t':
                out += context == Context::Attribute ? "&#9;" : "\t";
                break;
            case '\n':
                out += context == Context::Attribute ? "&#10;" : "\n";
                break;
            case '\r':
                if (context == Context::Attribute) out += "&#13;";
                else appendHexEscape(out, c);
                break;
            default:  // other control characters: not allowed in XML 1.0
                if (context == Context::Text) appendHexEscape(out, c);
                else out += kReplacement;
                break;
        }
        ++i;
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

void appendEscapedText(std::string& out, std::string_view text) { appendEscaped(out, text, Context::Text); }

void appendEscapedAttribute(std::string& out, std::string_view text) { appendEscaped(out, text, Context::Attribute); }

bool needsSpacePreserve(std::string_view text) {
    if (text.empty()) return false;
    if (isBlank(text.front()) || isBlank(text.back())) return true;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\n' || c == '\t' || c == '\r') return true;
        if (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ') return true;
    }
    return false;
}

void decodeEscapedCharacters(std::string& text) {
    size_t first = text.find("_x");
    if (first == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    out.append(text, 0, first);
    size_t i = first;
    while (i < text.size()) {
        int32_t cp = escapedCodePointAt(text, i);
        if (cp < 0) {
            out += text[i++];
            continue;
        }
        i += 7;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            int32_t low = escapedCodePointAt(text, i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                com::appendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                i += 7;
            } else {
                out += kReplacement;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            out += kReplacement;
        } else {
            com::appendUtf8(out, static_cast<char32_t>(cp));
        }
    }
    text = std::move(out);
}

}  // namespace tavlora::host::xlsx
