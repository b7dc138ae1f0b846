#include "host/xlsx/TableReferences.h"

#include <algorithm>

#include "com/UnicodeText.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::xlsx {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// One item up to its closing "]" (or the end), with "'" escapes resolved; `at` ends after it.
std::string readItem(std::string_view text, size_t& at) {
    std::string item;
    for (; at < text.size(); ++at) {
        char c = text[at];
        if (c == '\'' && at + 1 < text.size()) {
            item += text[++at];
            continue;
        }
        if (c == ']') {
            ++at;
            break;
        }
        item += c;
    }
    return item;
}

std::string unescaped(std::string_view text) {
    size_t at = 0;
    return readItem(text, at);
}

bool namesLostColumn(std::string_view bracketed, const TableLoss& loss) {
    if (loss.wholeTable) return true;
    for (const std::string& item : structuredReferenceItems(bracketed))
        for (const std::string& column : loss.columns)
            if (com::equalsIgnoreCase(item, column)) return true;
    return false;
}

}  // namespace

std::vector<std::string> structuredReferenceItems(std::string_view bracketed) {
    if (bracketed.size() < 2 || bracketed.front() != '[') return {};
    std::string_view inner = bracketed.substr(1, bracketed.size() - (bracketed.back() == ']' ? 2 : 1));
    inner = trimmed(inner);
    if (!inner.empty() && inner.front() == '@') inner = trimmed(inner.substr(1));
    if (inner.empty()) return {};
    if (inner.front() != '[') return {unescaped(inner)};
    std::vector<std::string> items;
    for (size_t at = 0; at < inner.size();) {
        if (inner[at] != '[') {  // separators: "," ":" and blanks
            ++at;
            continue;
        }
        ++at;
        items.push_back(readItem(inner, at));
    }
    return items;
}

std::string invalidateTableReferences(std::string_view formula, const TableLoss& loss, bool insideTable) {
    std::vector<formula::Token> tokens;
    formula::FormulaLexer lexer(formula);
    for (formula::Token token; lexer.next(token);) tokens.push_back(token);
    std::string out;
    out.reserve(formula.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const formula::Token& token = tokens[i];
        bool namesTable = token.kind == formula::TokenKind::Name && !token.prefix &&
                          com::equalsIgnoreCase(token.text, loss.table);
        bool bracketFollows = i + 1 < tokens.size() && tokens[i + 1].kind == formula::TokenKind::Bracketed;
        if (namesTable && bracketFollows) {
            if (namesLostColumn(tokens[i + 1].text, loss)) {
                out += "#REF!";
                ++i;
                continue;
            }
            out += token.text;
            out += tokens[++i].text;
            continue;
        }
        if (namesTable && loss.wholeTable) {  // the bare table name: its data rows
            out += "#REF!";
            continue;
        }
        if (token.kind == formula::TokenKind::Bracketed && insideTable && namesLostColumn(token.text, loss)) {
            out += "#REF!";
            continue;
        }
        out += token.text;
    }
    return out;
}

}  // namespace tavlora::host::xlsx
