#pragma once
#include <memory>
#include <string_view>
#include <vector>

#include "host/EditListener.h"
#include "host/formula/FormulaReferences.h"

// Charts follow the edits of the workbook that move or remove the cells their series refer to.
namespace tavlora::host {

class ChartModel;
class Workbook;
class Worksheet;

// Every chart of the workbook in sheet order: a chart sheet's chart, a worksheet's embedded charts.
std::vector<std::shared_ptr<ChartModel>> chartsOf(const Workbook& workbook);

// Series references into `edited` move with its cells; one whose area was removed becomes #REF!.
void shiftChartReferences(const Workbook& workbook, const Worksheet& edited, const formula::Deletion& deletion);
// The embedded charts of `sheet` move (and shrink) with its rows or columns after whole rows or
// columns were removed.
void moveChartAnchors(const Worksheet& sheet, const formula::Deletion& deletion);
// References to sheet `oldName` name `newName`.
void renameChartReferences(const Workbook& workbook, std::string_view oldName, std::string_view newName);
// References to a deleted sheet become #REF!.
void invalidateChartReferences(const Workbook& workbook, std::string_view sheetName);

// Charts as a listener of the workbook's edits: series references follow moved and removed cells,
// renamed and deleted sheets; embedded charts move with whole rows or columns of their sheet.
class ChartEditListener final : public EditListener {
public:
    void cellsDeleted(const Worksheet& sheet, const formula::Deletion& deletion) override;
    void sheetDeleted(const Workbook& book, const Sheet& sheet, const formula::SheetRemoval& removal) override;
    void sheetRenamed(const Workbook& book, const Sheet& sheet, const std::string& oldName) override;
};

}  // namespace tavlora::host
