#pragma once
#include <string>
#include <string_view>

// ASCII character classes and case for the notations that are ASCII by definition (references,
// number formats, names of encodings and file types). Unlike <cctype> they ignore the locale and
// take any char, so a byte of a UTF-8 sequence is simply "not a letter".
namespace tavlora::base {

constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool isAsciiLetter(char c) { return isAsciiUpper(c) || isAsciiLower(c); }
constexpr bool isAsciiAlphanumeric(char c) { return isAsciiLetter(c) || isAsciiDigit(c); }
// The blanks of XML and of our text notations: space, tab, line feed, carriage return.
constexpr bool isAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

constexpr char asciiUpper(char c) { return isAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char asciiLower(char c) { return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// The value of a hexadecimal digit, -1 for another character.
constexpr int hexDigitValue(char c) {
    if (isAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = asciiLower(c);
    return out;
}

inline std::string asciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = asciiUpper(c);
    return out;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace tavlora::base
