#include "host/formula/ColumnShapeMemo.h"

#include "base/Ascii.h"

namespace tavlora::host::formula {

bool ColumnShapeMemo::appendShape(std::string& key, std::string_view formula, int32_t row, int32_t column) {
    known_ = appendPlainShape(key, formula, row, column, &relativeRows_);
    if (known_) {
        text_.assign(formula);
        row_ = row;
        return true;
    }
    return appendFormulaShape(key, formula, row, column);
}

bool ColumnShapeMemo::isCopy(std::string_view formula, int32_t row) const {
    if (!known_) return false;
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
