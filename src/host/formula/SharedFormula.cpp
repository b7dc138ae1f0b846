#include "host/formula/SharedFormula.h"

#include "host/cells/CellRef.h"

namespace tavlora::host::xlsx {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

struct Part {
    bool absolute = false;
    int32_t value = 0;
};

// "[$]letters" filling the whole text.
bool readColumnPart(std::string_view text, Part& part) {
    size_t i = 0;
    part.absolute = !text.empty() && text[0] == '$';
    if (part.absolute) ++i;
    if (text.size() - i == 0 || text.size() - i > 3) return false;
    int32_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (!isLetter(c)) return false;
        value = value * 26 + ((c | 0x20) - 'a' + 1);
    }
    if (value > kMaxColumns) return false;
    part.value = value;
    return true;
}

// "[$]digits" filling the whole text.
bool readRowPart(std::string_view text, Part& part) {
    size_t i = 0;
    part.absolute = !text.empty() && text[0] == '$';
    if (part.absolute) ++i;
    if (text.size() - i == 0 || text.size() - i > 7 || text[i] == '0') return false;
    int32_t value = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) return false;
        value = value * 10 + (text[i] - '0');
    }
    if (value > kMaxRows) return false;
    part.value = value;
    return true;
}

// A cell reference "[$]letters[$]digits" filling the whole token.
bool readCell(std::string_view token, Part& column, Part& row) {
    size_t i = token.size() > 0 && token[0] == '$' ? 1 : 0;
    while (i < token.size() && isLetter(token[i])) ++i;
    return readColumnPart(token.substr(0, i), column) && readRowPart(token.substr(i), row);
}

bool move(Part& part, int32_t offset, int32_t limit) {
    if (part.absolute) return true;
    int64_t moved = int64_t(part.value) + offset;
    if (moved < 1 || moved > limit) return false;
    part.value = static_cast<int32_t>(moved);
    return true;
}

void appendColumn(std::string& out, const Part& part) {
    if (part.absolute) out += '$';
    out += columnLetters(part.value);
}

void appendRow(std::string& out, const Part& part) {
    if (part.absolute) out += '$';
    out += std::to_string(part.value);
}

class Shifter {
public:
    Shifter(std::string_view formula, int32_t rows, int32_t columns) : f_(formula), rows_(rows), columns_(columns) {
        out_.reserve(formula.size() + 8);
    }

    std::string run() {
        while (i_ < f_.size()) {
            char c = f_[i_];
            if (c == '"') copyQuoted('"');
            else if (c == '\'') copyQuoted('\'');
            else if (c == '[') copyBracketed();
            else if (c == '#') copyErrorLiteral();
            else if (isDigit(c) || c == '.') numberOrRows();
            else if (isWordChar(c)) word();
            else out_ += f_[i_++];
        }
        return std::move(out_);
    }

private:
    // A text literal or quoted sheet name; the quote is doubled inside.
    void copyQuoted(char quote) {
        size_t start = i_++;
        while (i_ < f_.size()) {
            if (f_[i_] == quote) {
                if (i_ + 1 < f_.size() && f_[i_ + 1] == quote) {
                    i_ += 2;
                    continue;
                }
                ++i_;
                break;
            }
            ++i_;
        }
        out_.append(f_.substr(start, i_ - start));
    }

    // Structured references and external workbook indexes nest brackets; ' escapes inside them.
    void copyBracketed() {
        size_t start = i_;
        int depth = 0;
        while (i_ < f_.size()) {
            char c = f_[i_++];
            if (c == '\'' && i_ < f_.size()) {
                ++i_;
                continue;
            }
            if (c == '[') ++depth;
            else if (c == ']' && --depth == 0) break;
        }
        out_.append(f_.substr(start, i_ - start));
    }

    void copyErrorLiteral() {
        size_t start = i_++;
        while (i_ < f_.size() && (isLetter(f_[i_]) || isDigit(f_[i_]) || f_[i_] == '/' || f_[i_] == '_')) ++i_;
        if (i_ < f_.size() && (f_[i_] == '!' || f_[i_] == '?')) ++i_;
        out_.append(f_.substr(start, i_ - start));
    }

    size_t wordEnd(size_t from) const {
        while (from < f_.size() && isWordChar(f_[from])) ++from;
        return from;
    }

    // "2:5" whole rows, or a number (with its exponent, so "1E5" is not read as a cell).
    void numberOrRows() {
        if (tryRange(i_, false)) return;
        size_t start = i_;
        while (i_ < f_.size() && (isDigit(f_[i_]) || f_[i_] == '.')) ++i_;
        if (i_ < f_.size() && (f_[i_] == 'e' || f_[i_] == 'E')) {
            size_t j = i_ + 1;
            if (j < f_.size() && (f_[j] == '+' || f_[j] == '-')) ++j;
            if (j < f_.size() && isDigit(f_[j])) {
                i_ = j;
                while (i_ < f_.size() && isDigit(f_[i_])) ++i_;
            }
        }
        out_.append(f_.substr(start, i_ - start));
    }

    // Whole rows "$2:5" or whole columns "A:$C" starting at `at`; appends the moved range.
    bool tryRange(size_t at, bool columns) {
        size_t firstEnd = wordEnd(at);
        if (firstEnd >= f_.size() || f_[firstEnd] != ':') return false;
        size_t secondEnd = wordEnd(firstEnd + 1);
        if (secondEnd < f_.size() && (f_[secondEnd] == '(' || f_[secondEnd] == '!')) return false;
        Part a, b;
        std::string_view first = f_.substr(at, firstEnd - at);
        std::string_view second = f_.substr(firstEnd + 1, secondEnd - firstEnd - 1);
        auto read = columns ? readColumnPart : readRowPart;
        if (!read(first, a) || !read(second, b)) return false;
        int32_t offset = columns ? columns_ : rows_;
        int32_t limit = columns ? kMaxColumns : kMaxRows;
        if (!move(a, offset, limit) || !move(b, offset, limit)) {
            out_ += "#REF!";
        } else {
            auto append = columns ? appendColumn : appendRow;
            append(out_, a);
            out_ += ':';
            append(out_, b);
        }
        i_ = secondEnd;
        return true;
    }

    void word() {
        size_t end = wordEnd(i_);
        std::string_view token = f_.substr(i_, end - i_);
        char next = end < f_.size() ? f_[end] : '\0';
        if (next == '(' || next == '!' || next == '[') {  // function, sheet name, table name
            out_.append(token);
            i_ = end;
            return;
        }
        Part column, row;
        if (readCell(token, column, row)) {
            if (move(column, columns_, kMaxColumns) && move(row, rows_, kMaxRows)) {
                appendColumn(out_, column);
                appendRow(out_, row);
            } else {
                out_ += "#REF!";
            }
            i_ = end;
            return;
        }
        if (tryRange(i_, true) || tryRange(i_, false)) return;
        out_.append(token);
        i_ = end;
    }

    std::string_view f_;
    int32_t rows_;
    int32_t columns_;
    size_t i_ = 0;
    std::string out_;
};

}  // namespace

std::string shiftFormula(std::string_view formula, int32_t rowOffset, int32_t columnOffset) {
    if (rowOffset == 0 && columnOffset == 0) return std::string(formula);
    return Shifter(formula, rowOffset, columnOffset).run();
}

}  // namespace tavlora::host::xlsx
