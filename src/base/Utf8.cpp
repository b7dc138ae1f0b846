#include "base/Utf8.h"

namespace tavlora::base {

namespace detail {

Utf8Step decodeMultibyte(std::string_view text, size_t at) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    size_t continuations;
    char32_t codePoint;
    // The second byte's range also rules out overlong forms, surrogates and values past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1, codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2, codePoint = lead & 0x0Fu;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3, codePoint = lead & 0x07u;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {kReplacementCharacter, 1, false};
    }
    const size_t available = text.size() - at - 1;
    for (size_t k = 1; k <= continuations; ++k) {
        if (k > available || byte(k) < low || byte(k) > high) {
            return {kReplacementCharacter, static_cast<uint8_t>(k), false};
        }
        codePoint = (codePoint << 6) | (byte(k) & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return {codePoint, static_cast<uint8_t>(continuations + 1), true};
}

}  // namespace detail

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        const char bytes[] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, sizeof bytes);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
        out += kReplacementUtf8;
    } else if (cp < 0x10000) {
        const char bytes[] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                              static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, sizeof bytes);
    } else if (cp <= 0x10FFFF) {
        const char bytes[] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                              static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, sizeof bytes);
    } else {
        out += kReplacementUtf8;
    }
}

size_t appendValidUtf8At(std::string& out, std::string_view text, size_t at) {
    Utf8Step step = decodeUtf8At(text, at);
    if (step.wellFormed) out.append(text.substr(at, step.length));
    else out += kReplacementUtf8;
    return step.length;
}

bool isValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        Utf8Step step = decodeUtf8At(text, at);
        if (!step.wellFormed) return false;
        at += step.length;
    }
    return true;
}

void appendValidUtf8(std::string& out, std::string_view text) {
    size_t runStart = 0;  // well-formed bytes are copied in runs
    for (size_t at = 0; at < text.size();) {
        Utf8Step step = decodeUtf8At(text, at);
        if (!step.wellFormed) {
            out.append(text.substr(runStart, at - runStart));
            out += kReplacementUtf8;
            runStart = at + step.length;
        }
        at += step.length;
    }
    out.append(text.substr(runStart));
}

std::string toValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendValidUtf8(out, text);
    return out;
}

void decodeUtf8(std::string_view text, std::u32string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) out += nextCodePoint(text, at);
}

std::u32string decodeUtf8(std::string_view text) {
    std::u32string out;
    decodeUtf8(text, out);
    return out;
}

int64_t utf16Length(std::string_view text) {
    int64_t length = 0;
    for (size_t at = 0; at < text.size();) length += nextCodePoint(text, at) >= 0x10000 ? 2 : 1;
    return length;
}

}  // namespace tavlora::base
