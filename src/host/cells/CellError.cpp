#include "host/cells/CellError.h"

#include <array>

namespace tavlora::host {

namespace {

constexpr std::array<CellError, 15> kCellErrors{{
    {"#NULL!", 2000},
    {"#DIV/0!", 2007},
    {"#VALUE!", 2015},
    {"#REF!", 2023},
    {"#NAME?", 2029},
    {"#NUM!", 2036},
    {"#N/A", 2042},
    {"#GETTING_DATA", 2043},
    {"#SPILL!", 2045},
    {"#CONNECT!", 2046},
    {"#BLOCKED!", 2047},
    {"#UNKNOWN!", 2048},
    {"#FIELD!", 2049},
    {"#CALC!", 2050},
    {"#BUSY!", 2051},
}};

constexpr int32_t kValueError = 2015;
// What an error cell whose text is missing from the pool shows and saves.
constexpr std::string_view kMissingText = "#N/A";

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

}  // namespace

std::span<const CellError> cellErrors() { return kCellErrors; }

const CellError* findCellError(std::string_view text) {
    for (const CellError& error : kCellErrors)
        if (sameIgnoringAsciiCase(text, error.text)) return &error;
    return nullptr;
}

const CellError* findCellError(com::HRESULT scode) {
    for (const CellError& error : kCellErrors)
        if (com::hr::runtime(error.number) == scode) return &error;
    return nullptr;
}

com::Variant cellErrorValue(std::string_view text) {
    const CellError* error = findCellError(text);
    return com::Variant::error(com::hr::runtime(error ? error->number : kValueError));
}

std::string_view cellErrorText(com::HRESULT scode) {
    const CellError* error = findCellError(scode);
    return error ? error->text : findCellError(com::hr::runtime(kValueError))->text;
}

std::string_view keptErrorText(std::string_view fileText) {
    const CellError* error = findCellError(fileText);
    return error ? error->text : fileText;
}

std::optional<std::string_view> heldErrorText(const Cell& cell, const StringPool& strings,
                                              const FormulaList& formulas) {
    if (cell.kind == CellKind::Error)
        return cell.payload.stringId < strings.size() ? std::string_view(strings.text(cell.payload.stringId)) : kMissingText;
    if (cell.kind == CellKind::Formula && cell.payload.formulaId < formulas.size()) {
        const Formula& formula = formulas[cell.payload.formulaId];
        if (formula.cachedKind == CellKind::Error) return std::string_view(formula.cachedText());
    }
    return std::nullopt;
}

}  // namespace tavlora::host
