#include "host/formula/SharedFormula.h"

#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

// Moves the relative parts of a corner; false when one leaves the grid.
bool moveCorner(A1Corner& corner, int32_t rowOffset, int32_t columnOffset) {
    auto move = [](int32_t& value, bool absolute, int32_t offset, int32_t limit) {
        if (value == 0 || absolute) return true;
        int64_t moved = int64_t(value) + offset;
        if (moved < 1 || moved > limit) return false;
        value = static_cast<int32_t>(moved);
        return true;
    };
    return move(corner.row, corner.rowAbsolute, rowOffset, kMaxRows) &&
           move(corner.column, corner.columnAbsolute, columnOffset, kMaxColumns);
}

}  // namespace

std::string shiftFormula(std::string_view formula, int32_t rowOffset, int32_t columnOffset) {
    if (rowOffset == 0 && columnOffset == 0) return std::string(formula);
    return rewriteTokens(formula, [&](const Token& token) -> std::optional<std::string> {
        if (token.kind != TokenKind::Reference) return std::nullopt;
        A1Reference moved = token.reference;
        std::string out(token.prefix ? token.prefix->text : std::string_view());
        if (!moveCorner(moved.first, rowOffset, columnOffset) || !moveCorner(moved.second, rowOffset, columnOffset))
            return out + "#REF!";
        appendA1Reference(out, moved);
        return out;
    });
}

}  // namespace tavlora::host::formula
