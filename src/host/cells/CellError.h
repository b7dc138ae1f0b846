#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "com/Error.h"
#include "com/Variant.h"
#include "host/cells/CellStore.h"
#include "host/cells/StringPool.h"

namespace tavlora::host {

// One of the application's error values: the text a cell and a file show, and the number an
// automation client sees, as the Variant error com::hr::runtime(number) (#N/A is 2042).
struct CellError {
    std::string_view text;
    int32_t number;
};

// Every error value the application knows, in number order.
std::span<const CellError> cellErrors();

// The known error spelled `text`, letter case ignored; nullptr for a text the table does not know.
const CellError* findCellError(std::string_view text);
// The known error a Variant error code stands for; nullptr for any other code.
const CellError* findCellError(com::HRESULT scode);

// An error text as Range.Value reads it: the Variant error of its number. A text the table does
// not know (a value of a newer application, kept from a file) reads as #VALUE!, so that a client
// still sees an error; the cell keeps its own text, and everything that shows text shows that.
com::Variant cellErrorValue(std::string_view text);
// The text a cell takes for a Variant error written into it; #VALUE! for a code the table does
// not know.
std::string_view cellErrorText(com::HRESULT scode);
// The text to keep for an error a file holds: a known error in the table's spelling, any other
// text as the file had it.
std::string_view keptErrorText(std::string_view fileText);

// The error text a cell holds: its error value, or the error its formula last cached; nullopt for
// a cell holding no error. The view lives as long as the cell and its pool entry are unchanged.
std::optional<std::string_view> heldErrorText(const Cell& cell, const StringPool& strings,
                                              const FormulaList& formulas);

}  // namespace tavlora::host
