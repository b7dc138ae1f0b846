#include "host/CellText.h"

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

}  // namespace

std::string CellTextRenderer::text(const Cell& cell) {
    // Error cells show their own text whatever the format says.
    if (auto error = sheet_.errorTextOf(cell)) return std::string(*error);
    return formatOf(cell.style).numberFormat.format(sheet_.cellValue(cell), sheet_.workbookStore().styles.uses1904Dates());
}

std::string_view CellTextRenderer::text(const Cell& cell, std::string& scratch) {
    const StringPool& strings = sheet_.workbookStore().strings;
    if (cell.kind == CellKind::String && cell.payload.stringId < strings.size() && formatOf(cell.style).showsTextAsIs)
        return strings.text(cell.payload.stringId);
    scratch = text(cell);
    return scratch;
}

const CellTextRenderer::Format& CellTextRenderer::formatOf(uint32_t style) {
    auto found = formats_.find(style);
    if (found == formats_.end()) {
        const std::string& code = sheet_.workbookStore().styles.cellFormat(style).numberFormat;
        bool asIs = code == "@" || isGeneral(code);
        found = formats_.emplace(style, Format{NumberFormat(code), asIs}).first;
    }
    return found->second;
}

}  // namespace tavlora::host
