#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Text functions of the automation language on UTF-8 text. Ill-formed UTF-8 never fails: each
// ill-formed sequence reads as U+FFFD.
namespace tavlora::com {

// Unicode simple upper-case mapping (UCase): one code point to one, so "ß" stays "ß".
std::string upperCase(std::string_view text);
// Compares ignoring letter case and character width (full-width U+FF01..U+FF5E fold to ASCII,
// U+3000 to a blank).
bool equalsIgnoreCaseAndWidth(std::string_view a, std::string_view b);
// Case- and width-folded form used by the comparison above (so callers can fold once).
std::string foldCaseAndWidth(std::string_view text);

// Length in UTF-16 code units (the language's Len).
int64_t utf16Length(std::string_view text);
// Trim blanks (U+0020 only, as the language's Trim) from both ends / left / right.
std::string trimBlanks(std::string_view text);
std::string trimLeftBlanks(std::string_view text);
std::string trimRightBlanks(std::string_view text);

// Appends one code point (REQUIRES: a Unicode scalar value) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace tavlora::com
