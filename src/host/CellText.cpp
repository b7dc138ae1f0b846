#include "host/CellText.h"

#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

std::string CellTextRenderer::text(const Cell& cell) {
    // Error cells show their own text whatever the format says.
    if (cell.kind == CellKind::Error) return sheet_.workbookStore().strings.text(cell.payload.stringId);
    if (cell.kind == CellKind::Formula) {
        const Formula& f = sheet_.store().formulas()[cell.payload.formulaId];
        if (f.cachedKind == CellKind::Error) return f.cachedText;
    }
    const Styles& styles = sheet_.workbookStore().styles;
    auto found = formats_.find(cell.style);
    if (found == formats_.end())
        found = formats_.emplace(cell.style, NumberFormat(styles.cellFormat(cell.style).numberFormat)).first;
    return found->second.format(sheet_.cellValue(cell), styles.uses1904Dates());
}

}  // namespace tavlora::host
