#include "host/formula/FormulaShape.h"

#include <charconv>
#include <cstring>

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

// Collects a key in a buffer on the stack and appends it to the string in a few large pieces:
// appended character by character, a key would spend most of its time growing the string.
class KeyWriter {
public:
    explicit KeyWriter(std::string& key) : key_(key) {}
    void put(char c) {
        room(1);
        buffer_[used_++] = c;
    }
    void put(std::string_view text) {
        if (text.size() > kCapacity / 2) {
            flush();
            key_.append(text);
            return;
        }
        room(text.size());
        std::memcpy(buffer_ + used_, text.data(), text.size());
        used_ += text.size();
    }
    // A cell's relative or absolute row and column.
    void corner(int32_t row, bool rowAbsolute, int32_t column, bool columnAbsolute, int32_t baseRow, int32_t baseColumn) {
        room(32);
        char* out = buffer_ + used_;
        *out++ = '\x01';
        out = writePart(out, row, rowAbsolute, baseRow);
        out = writePart(out, column, columnAbsolute, baseColumn);
        used_ = size_t(out - buffer_);
    }
    void flush() {
        key_.append(buffer_, used_);
        used_ = 0;
    }

private:
    static constexpr size_t kCapacity = 256;
    void room(size_t n) {
        if (used_ + n > kCapacity) flush();
    }
    std::string& key_;
    char buffer_[kCapacity];
    size_t used_ = 0;
};

// The cell a whole word names ("C2", "$B$7"), as scanA1Corner would read it; false for anything
// else (a name, a column or row alone, a row with a leading zero, a corner off the grid).
bool readCell(std::string_view word, A1Corner& corner) {
    size_t i = 0;
    const size_t n = word.size();
    corner.columnAbsolute = i < n && word[i] == '$';
    if (corner.columnAbsolute) ++i;
    const size_t letters = i;
    int32_t column = 0;
    for (; i < n && base::isAsciiLetter(word[i]); ++i) {
        if (i - letters == 3) return false;
        column = column * 26 + ((word[i] | 0x20) - 'a' + 1);
    }
    if (i == letters || column > kMaxColumns) return false;
    corner.rowAbsolute = i < n && word[i] == '$';
    if (corner.rowAbsolute) ++i;
    const size_t digits = i;
    int32_t row = 0;
    for (; i < n && base::isAsciiDigit(word[i]); ++i) {
        if (i - digits == 7) return false;
        row = row * 10 + (word[i] - '0');
    }
    if (i != n || i == digits || word[digits] == '0' || row > kMaxRows) return false;
    corner.row = row;
    corner.column = column;
    return true;
}

}  // namespace

// Most formulas of long lists are plain. Without texts, sheet prefixes, brackets, braces, error
// literals or ranges, every word the lexer would read as a reference is a cell on the grid not
// followed by "(", so one pass finds them.

bool appendPlainShape(std::string& key, std::string_view formula, int32_t row, int32_t column,
                      std::vector<RelativeRow>* relativeRows) {
    const size_t start = key.size();
    if (relativeRows) relativeRows->clear();
    KeyWriter out(key);
    size_t i = 0;
    while (i < formula.size()) {
        const char c = formula[i];
        if (isPlainOperator(c)) {
            out.put(c);
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
        if (!call && !base::isAsciiDigit(c) && readCell(word, corner)) {
            out.corner(corner.row, corner.rowAbsolute, corner.column, corner.columnAbsolute, row, column);
            if (relativeRows && !corner.rowAbsolute) {
                size_t digits = end;
                while (base::isAsciiDigit(formula[digits - 1])) --digits;
                relativeRows->push_back(RelativeRow{uint32_t(digits), uint32_t(end - digits), corner.row});
            }
        } else {
            out.put(word);
        }
        i = end;
    }
    out.flush();
    return true;
}

bool appendFormulaShape(std::string& key, std::string_view formula, int32_t row, int32_t column) {
    if (appendPlainShape(key, formula, row, column, nullptr)) return true;
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
