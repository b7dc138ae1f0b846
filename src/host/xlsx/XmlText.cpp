#include "host/xlsx/XmlText.h"

#include <array>
#include <cstdint>

#include "base/Ascii.h"
#include "base/Utf8.h"

namespace tavlora::host::xlsx {

namespace {

// The code point _xHHHH_ at text[i] stands for, or -1 when text[i] does not start one.
int32_t escapedCodePointAt(std::string_view text, size_t i) {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return -1;
    int32_t value = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
        int h = base::hexDigitValue(text[k]);
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

enum class Context { Text, Attribute };

// Per byte: copied as it is in both contexts (printable ASCII other than & < > " and _). A
// table, as every text of the shared strings passes through here byte by byte.
constexpr std::array<bool, 256> kCopiedAsIs = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x80; ++c) table[size_t(c)] = c != '&' && c != '<' && c != '>' && c != '"' && c != '_';
    return table;
}();

// Per byte: a blank, which may need the text's spaces kept.
constexpr std::array<bool, 256> kBlank = [] {
    std::array<bool, 256> table{};
    for (char c : {' ', '\t', '\n', '\r'}) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

void appendEscaped(std::string& out, std::string_view text, Context context) {
    out.reserve(out.size() + text.size());
    size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need nothing.
        size_t runStart = i;
        while (i < text.size() && kCopiedAsIs[static_cast<unsigned char>(text[i])]) ++i;
        out.append(text.data() + runStart, i - runStart);
        if (i >= text.size()) break;

        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            base::Utf8Step step = base::decodeUtf8At(text, i);
            if (step.codePoint == 0xFFFE || step.codePoint == 0xFFFF) {  // not characters in XML
                if (context == Context::Text) appendHexEscape(out, step.codePoint);
                else out += base::kReplacementUtf8;
                i += step.length;
            } else {
                i += base::appendValidUtf8At(out, text, i);
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
                else out += base::kReplacementUtf8;
                break;
        }
        ++i;
    }
}

}  // namespace

void appendEscapedText(std::string& out, std::string_view text) { appendEscaped(out, text, Context::Text); }

void appendEscapedAttribute(std::string& out, std::string_view text) { appendEscaped(out, text, Context::Attribute); }

bool needsSpacePreserve(std::string_view text) {
    if (text.empty()) return false;
    if (base::isAsciiBlank(text.front()) || base::isAsciiBlank(text.back())) return true;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!kBlank[static_cast<unsigned char>(c)]) continue;
        if (c != ' ') return true;
        if (i + 1 < text.size() && text[i + 1] == ' ') return true;
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
                base::appendUtf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                i += 7;
            } else {
                out += base::kReplacementUtf8;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            out += base::kReplacementUtf8;
        } else {
            base::appendUtf8(out, static_cast<char32_t>(cp));
        }
    }
    text = std::move(out);
}

}  // namespace tavlora::host::xlsx
