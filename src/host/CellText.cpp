#include "host/CellText.h"

#include <cmath>

#include "base/Ascii.h"
#include "com/ShortDecimalText.h"

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
    if (cell.kind == CellKind::Number) {
        if (std::string_view shown = shortNumberText(cell, scratch); !shown.empty()) return shown;
    }
    if (showsPooledText(cell)) return sheet_.workbookStore().strings.text(cell.payload.stringId);
    scratch = text(cell);
    return scratch;
}

bool CellTextRenderer::showsPooledText(const Cell& cell) {
    return cell.kind == CellKind::String && cell.payload.stringId < sheet_.workbookStore().strings.size() &&
           formatOf(cell.style).showsTextAsIs;
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

std::string_view CellTextRenderer::shortNumberText(const Cell& cell, std::string& scratch) {
    Format& format = formatOf(cell.style);
    if (!format.showsNumbersAsGeneral) format.showsNumbersAsGeneral = numberFormatOf(cell.style).showsNumbersAsGeneral();
    if (!*format.showsNumbersAsGeneral) return {};
    const double value = cell.payload.number;
    char buffer[com::kShortDecimalCapacity + 1];
    char* at = buffer;
    if (value < 0) *at++ = '-';
    const size_t length = com::formatShortGeneralNumber(std::fabs(value), at);
    if (length == 0) return {};
    scratch.assign(buffer, static_cast<size_t>(at - buffer) + length);
    return scratch;
}

CellTextRenderer::Format& CellTextRenderer::formatOf(uint32_t style) {
    if (lastFormat_ && lastStyle_ == style) return *lastFormat_;
    auto found = formats_.find(style);
    if (found == formats_.end()) {
        const std::string& code = sheet_.workbookStore().styles.cellFormat(style).numberFormat;
        Format format;
        format.showsTextAsIs = code == "@" || isGeneral(code);
        format.showsNumbersPlain = isGeneral(code) || showsNumbersPlain(code);
        found = formats_.emplace(style, std::move(format)).first;
    }
    lastStyle_ = style;
    lastFormat_ = &found->second;
    return found->second;
}

const NumberFormat& CellTextRenderer::numberFormatOf(uint32_t style) {
    Format& format = formatOf(style);
    if (!format.numberFormat) format.numberFormat.emplace(sheet_.workbookStore().styles.cellFormat(style).numberFormat);
    return *format.numberFormat;
}

}  // namespace tavlora::host
