#include "host/CellText.h"

#include <cmath>

#include "base/Ascii.h"

#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

bool isGeneral(std::string_view code) {
    constexpr std::string_view kGeneral = "general";
    if (code.size() != kGeneral.size()) return false;
    for (size_t i = 0; i < code.size(); ++i)
        if ((code[i] | 0x20) != kGeneral[i]) return false;
    return true;
}

// A code whose every section is digit places and separators ("0.00", "#,##0"): a number shown
// under it is digits, a sign, a point and commas, and nothing else.
bool showsNumbersPlain(std::string_view code) {
    if (code.empty()) return false;
    for (char c : code)
        if (c != '0' && c != '#' && c != '.' && c != ',') return false;
    return true;
}

bool holdsIgnoringCase(std::string_view text, char c) {
    const char upper = base::asciiUpper(c);
    for (char t : text)
        if (base::asciiUpper(t) == upper) return true;
    return false;
}

bool isAscii(std::string_view text) {
    for (char t : text)
        if (static_cast<unsigned char>(t) >= 0x80) return false;
    return true;
}

}  // namespace

std::string CellTextRenderer::text(const Cell& cell) {
    // Error cells show their own text whatever the format says.
    if (auto error = sheet_.errorTextOf(cell)) return std::string(*error);
    return numberFormatOf(cell.style).format(sheet_.cellValue(cell), sheet_.workbookStore().styles.uses1904Dates());
}

std::string_view CellTextRenderer::text(const Cell& cell, std::string& scratch) {
    const StringPool& strings = sheet_.workbookStore().strings;
    if (cell.kind == CellKind::String && cell.payload.stringId < strings.size() && formatOf(cell.style).showsTextAsIs)
        return strings.text(cell.payload.stringId);
    scratch = text(cell);
    return scratch;
}

bool CellTextRenderer::mayShow(const Cell& cell, char c) {
    if (cell.kind == CellKind::String) {
        const StringPool& strings = sheet_.workbookStore().strings;
        if (cell.payload.stringId >= strings.size() || !formatOf(cell.style).showsTextAsIs) return true;
        // Other scripts fold to ASCII letters in places (the Kelvin sign is a K): those are left
        // to the full comparison.
        std::string_view shown = strings.text(cell.payload.stringId);
        return holdsIgnoringCase(shown, c) || !isAscii(shown);
    }
    if (cell.kind == CellKind::Number) {
        if (!std::isfinite(cell.payload.number) || !formatOf(cell.style).showsNumbersPlain) return true;
        constexpr std::string_view kNumberCharacters = "0123456789.,+-E ";
        return kNumberCharacters.find(base::asciiUpper(c)) != std::string_view::npos;
    }
    return true;
}

CellTextRenderer::Format& CellTextRenderer::formatOf(uint32_t style) {
    auto found = formats_.find(style);
    if (found == formats_.end()) {
        const std::string& code = sheet_.workbookStore().styles.cellFormat(style).numberFormat;
        Format format;
        format.showsTextAsIs = code == "@" || isGeneral(code);
        format.showsNumbersPlain = isGeneral(code) || showsNumbersPlain(code);
        found = formats_.emplace(style, std::move(format)).first;
    }
    return found->second;
}

const NumberFormat& CellTextRenderer::numberFormatOf(uint32_t style) {
    Format& format = formatOf(style);
    if (!format.numberFormat) format.numberFormat.emplace(sheet_.workbookStore().styles.cellFormat(style).numberFormat);
    return *format.numberFormat;
}

}  // namespace tavlora::host
