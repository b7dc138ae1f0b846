#include "host/chart/ChartReference.h"

#include <charconv>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/cells/CellError.h"
#include "host/cells/SheetPrefix.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A character an unquoted sheet name may hold: letters (any script), digits, "_" and ".".
bool isPlainNameCharacter(char c) {
    return isAsciiLetter(c) || isDigit(c) || c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

// Reads a formula character by character; every failure names the whole formula.
class Cursor {
public:
    Cursor(std::string_view text, std::string_view formula, const char* what)
        : text_(text), formula_(formula), what_(what) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    char take() { return text_[pos_++]; }
    bool accept(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    void skipBlanks() {
        while (!atEnd() && isBlank(peek())) ++pos_;
    }
    size_t position() const { return pos_; }
    void rewind(size_t pos) { pos_ = pos; }
    std::string_view rest() const { return text_.substr(pos_); }

    [[noreturn]] void fail(const std::string& why) const {
        com::throwHostError(std::string(what_) + " \"" + std::string(formula_) + "\" is not valid: " + why);
    }

private:
    std::string_view text_;
    std::string_view formula_;
    const char* what_;
    size_t pos_ = 0;
};

// An unquoted sheet name may hold letters (any script), digits, "_" and "."; anything else needs
// quotes, and the message says which character.
void requireUnquotedName(Cursor& in, std::string_view name) {
    for (char c : name) {
        if (isBlank(c)) in.fail("the sheet name '" + std::string(name) + "' holds a blank and must be quoted: '" + std::string(name) + "'!");
        if (!isPlainNameCharacter(c))
            in.fail("the sheet name '" + std::string(name) + "' holds \"" + std::string(1, c) + "\" and must be quoted.");
    }
}

// The sheet name before "!", or nullopt when the item has none.
std::optional<std::string> readSheetName(Cursor& in) {
    std::string_view rest = in.rest();
    if (auto prefix = readSheetPrefix(rest, 0); prefix && !prefix->external && !prefix->threeD) {
        std::string name = prefix->name();
        if (name.empty()) in.fail("the sheet name is empty.");
        if (!prefix->quoted) requireUnquotedName(in, name);
        in.rewind(in.position() + prefix->text.size());
        return name;
    }
    if (!rest.empty() && rest.front() == '\'') {
        if (skipQuoted(rest, 0) == std::string_view::npos) in.fail("a quoted sheet name is not closed.");
        in.fail("a quoted sheet name must be followed by \"!\".");
    }
    // Not a prefix, yet a "!" within the item: say what is wrong with the name before it.
    size_t bang = rest.find('!');
    size_t stop = rest.find_first_of(",)");
    if (bang == std::string_view::npos || (stop != std::string_view::npos && stop < bang)) return std::nullopt;
    std::string_view name = rest.substr(0, bang);
    if (name.empty()) in.fail("the sheet name before \"!\" is empty.");
    requireUnquotedName(in, name);
    in.fail("'" + std::string(name) + "' is not the name of one sheet of this workbook.");
}

// Digits of an absolute row or column number after R or C; 0 when there are none.
int32_t readIndex(Cursor& in, int32_t limit, const char* what) {
    if (in.peek() == '[') in.fail("relative references (R[1]C[1]) are not accepted; give absolute row and column numbers.");
    int64_t value = 0;
    size_t digits = 0;
    while (isDigit(in.peek())) {
        value = value * 10 + (in.take() - '0');
        if (++digits > 8) break;
    }
    if (digits == 0) return 0;
    if (value < 1 || value > limit)
        in.fail(std::string(what) + " " + std::to_string(value) + " is outside the sheet (1 to " + std::to_string(limit) + ").");
    return static_cast<int32_t>(value);
}

struct R1C1Corner {
    int32_t row = 0;     // 0 = whole columns
    int32_t column = 0;  // 0 = whole rows
};

R1C1Corner readCorner(Cursor& in) {
    R1C1Corner corner;
    bool any = false;
    if (in.peek() == 'R' || in.peek() == 'r') {
        in.take();
        corner.row = readIndex(in, kMaxRows, "row");
        if (corner.row == 0) in.fail("R must be followed by a row number.");
        any = true;
    }
    if (in.peek() == 'C' || in.peek() == 'c') {
        in.take();
        corner.column = readIndex(in, kMaxColumns, "column");
        if (corner.column == 0) in.fail("C must be followed by a column number.");
        any = true;
    }
    if (!any) in.fail("expected a reference such as R2C3, R2C3:R6C3, R2:R4 or C2.");
    return corner;
}

Area areaOf(Cursor& in, R1C1Corner a, R1C1Corner b) {
    bool aCell = a.row && a.column, bCell = b.row && b.column;
    bool aRows = a.row && !a.column, bRows = b.row && !b.column;
    if (aCell != bCell || aRows != bRows) in.fail("both ends of a range must be cells, rows or columns alike.");
    Area area;
    area.firstRow = a.row ? std::min(a.row, b.row) : 1;
    area.lastRow = a.row ? std::max(a.row, b.row) : kMaxRows;
    area.firstColumn = a.column ? std::min(a.column, b.column) : 1;
    area.lastColumn = a.column ? std::max(a.column, b.column) : kMaxColumns;
    return area;
}

SheetArea readItem(Cursor& in, std::string_view defaultSheet) {
    in.skipBlanks();
    std::optional<std::string> sheet = readSheetName(in);
    if (!sheet) {
        if (defaultSheet.empty()) in.fail("a reference needs a sheet name (Data!R2C2).");
        sheet = std::string(defaultSheet);
    }
    R1C1Corner first = readCorner(in);
    R1C1Corner second = first;
    if (in.accept(':')) second = readCorner(in);
    in.skipBlanks();
    return SheetArea{std::move(*sheet), areaOf(in, first, second)};
}

std::string r1c1Area(const Area& area) {
    auto rows = [](int32_t a, int32_t b) {
        return a == b ? "R" + std::to_string(a) : "R" + std::to_string(a) + ":R" + std::to_string(b);
    };
    if (area.isWholeRows()) return rows(area.firstRow, area.lastRow);
    if (area.isWholeColumns())
        return area.firstColumn == area.lastColumn
                   ? "C" + std::to_string(area.firstColumn)
                   : "C" + std::to_string(area.firstColumn) + ":C" + std::to_string(area.lastColumn);
    std::string out = "R" + std::to_string(area.firstRow) + "C" + std::to_string(area.firstColumn);
    if (area.cellCount() > 1) out += ":R" + std::to_string(area.lastRow) + "C" + std::to_string(area.lastColumn);
    return out;
}

// ---- array constants ----

com::Variant readArrayElement(Cursor& in) {
    in.skipBlanks();
    if (in.accept('"')) {
        std::string text;
        for (;;) {
            if (in.atEnd()) in.fail("a text is not closed.");
            char c = in.take();
            if (c == '"') {
                if (in.accept('"')) {
                    text += '"';
                    continue;
                }
                break;
            }
            text += c;
        }
        return text;
    }
    std::string token;
    while (!in.atEnd() && in.peek() != ',' && in.peek() != ';' && in.peek() != '}') token += in.take();
    std::string_view value = trimBlanks(token);
    if (value.empty()) in.fail("an element is empty.");
    std::string upper = com::upperCase(value);
    if (upper == "TRUE") return true;
    if (upper == "FALSE") return false;
    if (const CellError* error = findCellError(value)) return com::Variant::error(com::hr::runtime(error->number));
    double number = 0;
    std::string_view digits = value;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        in.fail("\"" + std::string(value) + "\" is not a number, a quoted text, TRUE, FALSE or an error value.");
    return number;
}

std::string_view afterEquals(std::string_view formula) {
    std::string_view body = trimBlanks(formula);
    if (!body.empty() && body.front() == '=') body.remove_prefix(1);
    return trimBlanks(body);
}

}  // namespace

std::string ChartReference::a1() const {
    if (broken) {
        std::string prefix = areas.empty() ? std::string() : sheetPrefix(areas.front().sheet) + "!";
        return prefix + "#REF!";
    }
    std::string out;
    for (const SheetArea& item : areas) {
        if (!out.empty()) out += ',';
        out += sheetPrefix(item.sheet) + "!" + areaAddress(item.area);
    }
    return areas.size() > 1 ? "(" + out + ")" : out;
}

std::string ChartReference::r1c1() const {
    if (broken) return "=" + a1();
    std::string out;
    for (const SheetArea& item : areas) {
        if (!out.empty()) out += ',';
        out += sheetPrefix(item.sheet) + "!" + r1c1Area(item.area);
    }
    return areas.size() > 1 ? "=(" + out + ")" : "=" + out;
}

ChartReference parseR1C1Reference(std::string_view formula, std::string_view defaultSheet) {
    std::string_view trimmed = trimBlanks(formula);
    Cursor check(trimmed, formula, "The reference");
    if (trimmed.empty() || trimmed.front() != '=') check.fail("a reference formula starts with \"=\".");
    std::string_view body = afterEquals(trimmed);
    Cursor in(body, formula, "The reference");
    if (body.empty()) in.fail("expected a reference such as R2C3, R2C3:R6C3, R2:R4 or C2.");
    ChartReference reference;
    if (in.accept('(')) {
        for (;;) {
            reference.areas.push_back(readItem(in, defaultSheet));
            if (in.accept(',')) continue;
            if (in.accept(')')) break;
            in.fail(in.atEnd() ? "the union is not closed with \")\"." : "expected \",\" or \")\" in the union.");
        }
    } else {
        reference.areas.push_back(readItem(in, defaultSheet));
        if (in.peek() == ',') in.fail("a union of references must be put in parentheses: =(Data!R1C1,Data!R2C1).");
    }
    in.skipBlanks();
    if (!in.atEnd()) in.fail("unexpected \"" + std::string(in.rest()) + "\" after the reference.");
    return reference;
}

std::optional<ChartReference> parseA1Reference(std::string_view text) {
    std::vector<formula::Token> tokens;
    formula::FormulaLexer lexer(text);
    for (formula::Token token; lexer.next(token);)
        if (token.kind != formula::TokenKind::Whitespace) tokens.push_back(token);
    size_t first = 0, last = tokens.size();
    if (last >= 2 && tokens.front().kind == formula::TokenKind::OpenParen &&
        tokens.back().kind == formula::TokenKind::CloseParen) {
        ++first;
        --last;
    }
    // Sheet-qualified references separated by commas: an odd count of tokens.
    if (first == last || (last - first) % 2 == 0) return std::nullopt;
    ChartReference reference;
    for (size_t i = first; i < last; ++i) {
        const formula::Token& token = tokens[i];
        if ((i - first) % 2 == 1) {
            if (token.kind != formula::TokenKind::Comma) return std::nullopt;
            continue;
        }
        if (token.kind != formula::TokenKind::Reference || !token.prefix || token.prefix->external ||
            token.prefix->threeD)
            return std::nullopt;
        reference.areas.push_back(SheetArea{token.prefix->name(), token.reference.area()});
    }
    return reference;
}

bool isArrayConstant(std::string_view formula) {
    std::string_view trimmed = trimBlanks(formula);
    return trimmed.size() >= 2 && trimmed.front() == '=' && !afterEquals(trimmed).empty() &&
           afterEquals(trimmed).front() == '{';
}

std::vector<com::Variant> parseArrayConstant(std::string_view formula) {
    std::string_view body = afterEquals(formula);
    Cursor in(body, formula, "The array constant");
    if (!in.accept('{')) in.fail("an array constant is written ={1,2,3}.");
    std::vector<com::Variant> values;
    in.skipBlanks();
    if (in.accept('}')) in.fail("it has no elements.");
    for (;;) {
        values.push_back(readArrayElement(in));
        in.skipBlanks();
        if (in.accept(',') || in.accept(';')) continue;
        if (in.accept('}')) break;
        in.fail(in.atEnd() ? "it is not closed with \"}\"." : "expected \",\", \";\" or \"}\".");
    }
    in.skipBlanks();
    if (!in.atEnd()) in.fail("unexpected \"" + std::string(in.rest()) + "\" after \"}\".");
    return values;
}

}  // namespace tavlora::host
