#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/cells/CellKind.h"
#include "host/cells/CellRef.h"
#include "host/cells/ChunkedList.h"

namespace tavlora::host {

// A formula cell's text (without "=") and the value the file or the last calculation cached for
// it. A list holds one per formula cell, most with a number for a result, so what only a few carry
// (a text or error result, an array formula's area) lives in a box of its own: 56 bytes an entry
// instead of 104, which a list of formulas pays in fresh memory on the critical path.
class Formula {
public:
    Formula() = default;
    explicit Formula(std::string formulaText) : text(std::move(formulaText)) {}
    Formula(std::string formulaText, CellKind kind, double number, std::string_view resultText = {})
        : text(std::move(formulaText)), cachedNumber(number), cachedKind(kind) {
        setCachedText(resultText);
    }
    Formula(const Formula& other);
    Formula& operator=(const Formula& other);
    Formula(Formula&&) noexcept = default;
    Formula& operator=(Formula&&) noexcept = default;

    std::string text;
    double cachedNumber = 0;                // Number, and Boolean as 1 / 0
    CellKind cachedKind = CellKind::Empty;  // Number, String (cachedText), Boolean, Error (cachedText)

    // A String result's characters or an Error's text; empty otherwise.
    const std::string& cachedText() const;
    void setCachedText(std::string_view value);
    void clearCachedText();

    // Array formulas keep their area; shared formulas are expanded to per-cell text on load.
    bool isArray() const { return rare_ && rare_->isArray; }
    // The area of an array formula; meaningless otherwise.
    const Area& arrayArea() const;
    void setArrayArea(const Area& area);

private:
    struct Rare {
        std::string cachedText;
        bool isArray = false;
        Area arrayArea;
    };
    Rare& rare();
    std::unique_ptr<Rare> rare_;
};

// The formulas of one sheet by id, in chunks of 4,096 that never move: growing the list touches
// only the memory of the new entries, and an entry's address stays valid while others are added.
using FormulaList = ChunkedList<Formula, 12>;

}  // namespace tavlora::host
