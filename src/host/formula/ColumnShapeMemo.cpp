#include "host/formula/ColumnShapeMemo.h"

#include "base/Ascii.h"

namespace tavlora::host::formula {

bool ColumnShapeMemo::appendShape(std::string& key, std::string_view formula, int32_t row, int32_t column) {
    known_ = appendPlainShape(key, formula, row, column, &relativeRows_);
    nextRow_ = 0;
    if (known_) {
        text_.assign(formula);
        row_ = row;
        foresee(formula, row);
        return true;
    }
    return appendFormulaShape(key, formula, row, column);
}

bool ColumnShapeMemo::isUnforeseenCopy(std::string_view formula, int32_t row) {
    if (!known_ || !isMovedCopy(formula, row)) return false;
    foresee(formula, row);
    return true;
}

void ColumnShapeMemo::foresee(std::string_view formula, int32_t row) {
    next_.assign(formula);
    nextRows_.clear();
    // The copy's rows are the remembered ones moved; each is written with as many digits as it has.
    int64_t shift = 0;
    for (const RelativeRow& relative : relativeRows_) {
        const int64_t offset = int64_t(relative.offset) + shift;
        size_t length = 0;
        while (size_t(offset) + length < formula.size() && base::isAsciiDigit(formula[size_t(offset) + length])) ++length;
        shift += int64_t(length) - int64_t(relative.length);
        nextRows_.push_back(RelativeRow{uint32_t(offset), uint32_t(length), relative.row + (row - row_)});
    }
    nextRow_ = row;
    advance();
}

void ColumnShapeMemo::advance() {
    if (nextRow_ == 0 || nextRow_ >= kMaxRows) {
        nextRow_ = 0;
        return;
    }
    for (RelativeRow& relative : nextRows_) {
        if (++relative.row > kMaxRows) {
            nextRow_ = 0;
            return;
        }
        size_t at = relative.offset + relative.length;
        while (at > relative.offset && next_[at - 1] == '9') next_[--at] = '0';
        if (at == relative.offset) {  // 99 -> 100: a digit more
            nextRow_ = 0;
            return;
        }
        ++next_[at - 1];
    }
    ++nextRow_;
}

bool ColumnShapeMemo::isMovedCopy(std::string_view formula, int32_t row) const {
    const int64_t distance = int64_t(row) - row_;
    size_t i = 0, j = 0;
    auto same = [&](size_t count) {
        if (formula.size() - i < count) return false;
        for (size_t k = 0; k < count; ++k)
            if (formula[i + k] != text_[j + k]) return false;
        i += count;
        j += count;
        return true;
    };
    for (const RelativeRow& relative : relativeRows_) {
        if (!same(relative.offset - j)) return false;
        // The moved row as the application writes it: on the grid, without a leading zero.
        const int64_t moved = relative.row + distance;
        if (moved < 1 || moved > kMaxRows) return false;
        const size_t digits = i;
        int64_t value = 0;
        for (; i < formula.size() && i - digits < 8 && base::isAsciiDigit(formula[i]); ++i) value = value * 10 + (formula[i] - '0');
        if (value != moved || formula[digits] == '0') return false;
        j += relative.length;
    }
    return formula.size() - i == text_.size() - j && same(text_.size() - j);
}

}  // namespace tavlora::host::formula
