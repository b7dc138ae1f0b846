#include "host/formula/FormulaShape.h"

#include <charconv>

#include "base/Ascii.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

// A row or column part: absent, absolute (its number) or relative (its distance). Written into a
// buffer of at least 12 bytes, so that a corner costs the key one append.
char* writePart(char* out, int32_t value, bool absolute, int32_t base) {
    if (value == 0) {
        *out++ = '_';
        return out;
    }
    *out++ = absolute ? '$' : '~';
    return std::to_chars(out, out + 11, absolute ? value : value - base).ptr;
}

bool isWordCharacter(char c) { return base::isAsciiAlphanumeric(c) || c == '$' || c == '.' || c == '_'; }
bool isPlainOperator(char c) {
    switch (c) {
        case '+': case '-': case '*': case '/': case '^': case '&': case '=': case '<': case '>':
        case '(': case ')': case ',': case '%': case ' ':
            return true;
        default:
            return false;
    }
}

void appendCorner(std::string& key, const A1Corner& corner, int32_t row, int32_t column) {
    char buffer[32];
    char* end = buffer;
    *end++ = '\x01';
    end = writePart(end, corner.row, corner.rowAbsolute, row);
    end = writePart(end, corner.column, corner.columnAbsolute, column);
    key.append(buffer, end);
}

// Most formulas of long lists are words and operators alone ("C2*D2", "ROUND(F1+E2,2)"). Without
// texts, sheet prefixes, brackets, braces, error literals or ranges, every word the lexer would read
// as a reference is a cell on the grid not followed by "(", so one pass finds them without the
// lexer. False (with `key` as it was) when the formula has anything else.
bool appendPlainShape(std::string& key, std::string_view formula, int32_t row, int32_t column) {
    const size_t start = key.size();
    size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (isPlainOperator(c)) {
            key += c;
            ++i;
            continue;
        }
        if (!isWordCharacter(c)) {
            key.resize(start);
            return false;
        }
        size_t end = i;
        while (end < formula.size() && isWordCharacter(formula[end])) ++end;
        const std::string_view word = formula.substr(i, end - i);
        A1Corner corner;
        const bool call = end < formula.size() && formula[end] == '(';
        if (!call && !base::isAsciiDigit(c) && scanA1Corner(word, 0, corner) == word.size() && corner.isCell())
            appendCorner(key, corner, row, column);
        else
            key += word;
        i = end;
    }
    return true;
}

}  // namespace

bool appendFormulaShape(std::string& key, std::string_view formula, int32_t row, int32_t column) {
    if (appendPlainShape(key, formula, row, column)) return true;
    FormulaLexer lexer(formula);
    Token token;
    while (lexer.next(token)) {
        if (token.kind == TokenKind::Bracketed) return false;
        if (token.kind != TokenKind::Reference) {
            key += token.text;
            continue;
        }
        // Prefix, both corners, and whether it is one cell: a one-cell operand compiles to a read
        // of the cell, so "$A$1:A1" and "$A$1:A2" are different shapes.
        key += '\x01';
        if (token.prefix) key += token.prefix->text;
        const A1Reference& r = token.reference;
        char buffer[64];
        char* end = buffer;
        for (const A1Corner* corner : {&r.first, &r.second}) {
            end = writePart(end, corner->row, corner->rowAbsolute, row);
            end = writePart(end, corner->column, corner->columnAbsolute, column);
        }
        *end++ = r.area().cellCount() == 1 ? '1' : 'n';
        key.append(buffer, end);
    }
    return true;
}

}  // namespace tavlora::host::formula
