#pragma once
#include <string>
#include <string_view>

// Text as it goes into and comes out of SpreadsheetML. Cell texts may hold characters that XML 1.0
// cannot carry (most control characters); the file format writes those as _xHHHH_ and reads
// _xHHHH_ back, so a literal "_x0041_" in a text is itself escaped ("_x005F_x0041_").
namespace tavlora::host::xlsx {

// Element content: & < > escaped, characters XML 1.0 forbids (and CR, which parsers would fold
// into LF) written as _xHHHH_, a literal _xHHHH_ protected, bytes that are not UTF-8 replaced by
// U+FFFD.
void appendEscapedText(std::string& out, std::string_view text);
// An attribute value between double quotes: as element content, plus " and tab / newline as
// character references.
void appendEscapedAttribute(std::string& out, std::string_view text);
// True when a <t> holding the text needs xml:space="preserve" to keep its blanks.
bool needsSpacePreserve(std::string_view text);
// Replaces every _xHHHH_ by the character it stands for (in place; the text can only shrink).
void decodeEscapedCharacters(std::string& text);

}  // namespace tavlora::host::xlsx
