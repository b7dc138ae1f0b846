#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The sheet prefix of a reference: Sheet1!, 'My Sheet'! (a quote inside doubled), the 3-D form
// Sheet1:Sheet3! and the external form [1]Sheet1!. The one reader and writer of that notation.
namespace tavlora::host {

// Characters of names, function names and unquoted sheet names as formulas write them. Any byte of
// a non-ASCII character counts, so names in other scripts stay whole.
bool isNameCharacter(char c);

struct SheetPrefix {
    std::string_view text;      // as written, "!" included
    std::string_view nameText;  // the sheet part as written, quotes included: "'It''s'", "Sheet1:Sheet3"
    bool quoted = false;
    bool external = false;  // [1]Sheet1!: a sheet of another workbook
    bool threeD = false;    // Sheet1:Sheet3!: a run of sheets

    // The sheet's name, unquoted; for a 3-D prefix the text naming the run.
    std::string name() const;
};

// The prefix starting at `pos`, or nullopt when there is none (no "!" where it should end).
std::optional<SheetPrefix> readSheetPrefix(std::string_view text, size_t pos);
// A quoted run at `pos`, its quote doubled inside ('It''s', "say ""hi"""): the position after the
// closing quote, or npos when it is not closed.
size_t skipQuoted(std::string_view text, size_t pos);

// Splits "Sheet1!A1" / "'My Sheet'!A1:B2" into the unquoted sheet name and the reference.
// False when the text has no prefix of one sheet of this workbook.
bool splitSheetPrefix(std::string_view text, std::string& sheet, std::string& reference);

// The prefix for a sheet name, without the "!": Sheet1 or 'My Sheet' (quotes doubled inside),
// quoted also when the name could be read as a reference or a number.
std::string sheetPrefix(std::string_view sheetName);
// The prefix for a run of sheets, without the "!": First:Last, or 'First:Last' as one quoted text
// when either name needs quotes.
std::string sheetRunPrefix(std::string_view first, std::string_view last);

}  // namespace tavlora::host
