#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Text functions of the automation language on UTF-8 text. Ill-formed UTF-8 never fails: each
// maximal ill-formed part reads as U+FFFD (see base/Utf8.h).
namespace tavlora::com {

// Unicode simple upper-case mapping (UCase): one code point to one, so "ß" stays "ß".
std::string upperCase(std::string_view text);
// Equal under the simple upper-case mapping (upperCase(a) == upperCase(b)), without building either.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Compares ignoring letter case and character width (full-width U+FF01..U+FF5E fold to ASCII,
// U+3000 to a blank).
bool equalsIgnoreCaseAndWidth(std::string_view a, std::string_view b);
// Case- and width-folded form used by the comparison above (so callers can fold once).
std::string foldCaseAndWidth(std::string_view text);

// Trim blanks (U+0020 only, as the language's Trim) from both ends / left / right.
std::string trimBlanks(std::string_view text);
std::string trimLeftBlanks(std::string_view text);
std::string trimRightBlanks(std::string_view text);

}  // namespace tavlora::com
