#pragma once
#include <string>
#include <string_view>

// Workbook text on a web page, as character data or as a quoted attribute value (inline SVG
// included). The page is always well-formed UTF-8 that no text can break out of.
namespace tavlora::host::html {

enum class LineBreaks {
    Keep,     // a table cell shows them (its style keeps them)
    AsBlank,  // SVG text would drop them and run the words together
};

// Appends `text` with & < > " ' as character references, and ill-formed UTF-8, DEL and control
// characters other than tab and the line breaks as U+FFFD.
void appendHtmlText(std::string& out, std::string_view text, LineBreaks lineBreaks = LineBreaks::Keep);
std::string htmlText(std::string_view text, LineBreaks lineBreaks = LineBreaks::Keep);

}  // namespace tavlora::host::html
