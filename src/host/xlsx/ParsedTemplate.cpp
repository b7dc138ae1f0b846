#include "host/xlsx/ParsedTemplate.h"

#include "host/FindMemo.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptSheetXml.h"

namespace tavlora::host::xlsx {

struct ParsedTemplate::SheetState {
    CellStore cells;
    std::vector<Area> merges;
    double defaultRowHeight = 15;
    double defaultColumnWidth = 8.43;
    bool hasSheetStyle = false;
    uint32_t sheetStyle = 0;
    bool kept = false;  // whether the sheet had kept XML at all
    std::shared_ptr<KeptSheetDocument> keptXml;  // shared with the copies until one changes it
    KeptCellAttributes keptCells;
    // The searches of the copies' values, for copies whose cells are still the template's.
    std::shared_ptr<FindMemo> searches = std::make_shared<FindMemo>();
};

std::shared_ptr<const ParsedTemplate> ParsedTemplate::capture(Workbook& workbook, const PackageContents& contents,
                                                              const WorkbookPartInfo& workbookInfo,
                                                              ParsedChartParts chartParts) {
    std::shared_ptr<ParsedTemplate> parsed(new ParsedTemplate());
    parsed->contents_ = contents.copy();
    parsed->workbookInfo_ = workbookInfo;
    parsed->chartParts_ = std::move(chartParts);
    // Made while the workbook alone holds its style sheet, so the sheet keeps the text: the
    // reports share the sheet until they change it, and save the text kept.
    workbook.store().styles.toXml();
    parsed->store_ = workbook.store();
    for (const auto& sheet : workbook.worksheets()) {
        auto state = std::make_unique<SheetState>();
        // Rows made out of order are settled here, so that the copies never settle the template's
        // store (a const walk would otherwise write to it from several threads).
        sheet->store().rows();
        state->cells = sheet->store();
        state->merges = sheet->mergedAreas();
        state->defaultRowHeight = sheet->defaultRowHeight();
        state->defaultColumnWidth = sheet->defaultColumnWidth();
        state->hasSheetStyle = sheet->hasSheetStyle();
        state->sheetStyle = sheet->sheetStyle();
        if (const pugi::xml_document* kept = findKeptSheetXml(*sheet)) {
            state->kept = true;
            state->keptXml = std::make_shared<KeptSheetDocument>();
            state->keptXml->xml.reset(*kept);
            if (const KeptCellAttributes* cells = findKeptCellAttributes(*sheet)) state->keptCells = *cells;
        }
        parsed->sheets_.emplace(sheet->partName(), std::move(state));
    }
    return parsed;
}

void ParsedTemplate::copyStoreInto(WorkbookStore& store) const { store = store_; }

bool ParsedTemplate::copySheetInto(const std::string& partName, Worksheet& sheet) const {
    auto it = sheets_.find(partName);
    if (it == sheets_.end()) return false;
    const SheetState& state = *it->second;
    sheet.store() = state.cells;
    sheet.store().markUnchanged();
    sheet.setFindMemo(state.searches);
    sheet.mergedAreas() = state.merges;
    sheet.setDefaultRowHeight(state.defaultRowHeight);
    sheet.setDefaultColumnWidth(state.defaultColumnWidth);
    if (state.hasSheetStyle) sheet.setSheetStyle(state.sheetStyle);
    else sheet.clearSheetStyle();
    if (state.kept) {
        shareKeptSheetXml(sheet, state.keptXml);
        if (!state.keptCells.empty()) keptCellAttributes(sheet) = state.keptCells;
    }
    return true;
}

std::shared_ptr<const ParsedTemplate> ParsedTemplateSlot::get() const {
    std::lock_guard lock(mutex_);
    return parsed_;
}

void ParsedTemplateSlot::offer(std::shared_ptr<const ParsedTemplate> parsed) {
    std::lock_guard lock(mutex_);
    if (!parsed_) parsed_ = std::move(parsed);
}

}  // namespace tavlora::host::xlsx
