// Chart sheets of the workbook, and the charts' part in edits of the workbook.

#include <algorithm>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartReferenceEditing.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

bool sameNameIgnoringCase(std::string_view a, std::string_view b) { return com::upperCase(a) == com::upperCase(b); }

template <class Edit>
void editAllCharts(const Workbook& workbook, Edit edit) {
    for (const auto& chart : chartsOf(workbook)) chart->editReferences(edit);
}

}  // namespace

std::shared_ptr<ChartSheet> Workbook::addChartSheet(const Sheet* before, const Sheet* after) {
    requireOpen();
    size_t index = std::min(static_cast<size_t>(std::max(0, activeSheet() ? indexOf(*activeSheet()) : 0)), sheets_.size());
    if (before) {
        int32_t at = indexOf(*before);
        if (at < 0) com::throwHostError("Charts.Add: the Before sheet is not in this workbook.");
        index = static_cast<size_t>(at);
    } else if (after) {
        int32_t at = indexOf(*after);
        if (at < 0) com::throwHostError("Charts.Add: the After sheet is not in this workbook.");
        index = static_cast<size_t>(at) + 1;
    }
    std::string name;
    for (int n = 1;; ++n) {
        name = "Chart" + std::to_string(n);
        bool taken = std::any_of(sheets_.begin(), sheets_.end(),
                                 [&](const auto& s) { return sameNameIgnoringCase(s->name(), name); });
        if (!taken) break;
    }
    auto self = std::static_pointer_cast<Workbook>(shared_from_this());
    auto sheet = std::make_shared<ChartSheet>(self, name);
    sheet->setChartModel(ChartModel::create(std::weak_ptr<Sheet>(sheet)));
    insertSheet(index, sheet);
    setActiveSheet(*sheet);
    return sheet;
}

std::shared_ptr<Chart> ChartSheet::chart() const {
    (void)workbook();
    if (!chart_) {
        auto self = std::const_pointer_cast<Sheet>(std::static_pointer_cast<const Sheet>(shared_from_this()));
        chart_ = ChartModel::create(std::weak_ptr<Sheet>(self));
    }
    return chart_;
}

std::vector<std::shared_ptr<ChartModel>> chartsOf(const Workbook& workbook) {
    std::vector<std::shared_ptr<ChartModel>> charts;
    for (const auto& sheet : workbook.sheets()) {
        if (sheet->kind() == SheetKind::ChartSheet) {
            if (const auto& model = static_cast<const ChartSheet&>(*sheet).chartModel()) charts.push_back(model);
            continue;
        }
        for (const auto& object : static_cast<const Worksheet&>(*sheet).chartObjects())
            charts.push_back(static_cast<const EmbeddedChart&>(*object).model());
    }
    return charts;
}

void shiftChartReferences(const Workbook& workbook, const Worksheet& edited, const formula::Deletion& deletion) {
    editAllCharts(workbook, [&](ChartReference& reference) {
        if (reference.broken) return false;
        bool changed = false;
        for (SheetArea& item : reference.areas) {
            if (!sameNameIgnoringCase(item.sheet, edited.name())) continue;
            auto moved = formula::shiftArea(item.area, deletion);
            if (!moved) {
                reference.broken = true;
                return true;
            }
            if (*moved != item.area) {
                item.area = *moved;
                changed = true;
            }
        }
        return changed;
    });
}

void moveChartAnchors(const Worksheet& sheet, const formula::Deletion& deletion) {
    for (const auto& object : sheet.chartObjects()) {
        auto& chart = static_cast<EmbeddedChart&>(*object);
        ChartAnchor anchor = chart.anchor();
        if (shiftAnchor(anchor, deletion)) chart.setAnchor(anchor);
    }
}

void renameChartReferences(const Workbook& workbook, std::string_view oldName, std::string_view newName) {
    editAllCharts(workbook, [&](ChartReference& reference) {
        bool changed = false;
        for (SheetArea& item : reference.areas) {
            if (!sameNameIgnoringCase(item.sheet, oldName)) continue;
            item.sheet = std::string(newName);
            changed = true;
        }
        return changed;
    });
}

void invalidateChartReferences(const Workbook& workbook, std::string_view sheetName) {
    editAllCharts(workbook, [&](ChartReference& reference) {
        if (reference.broken) return false;
        bool hit = std::any_of(reference.areas.begin(), reference.areas.end(),
                               [&](const SheetArea& item) { return sameNameIgnoringCase(item.sheet, sheetName); });
        if (hit) reference.broken = true;
        return hit;
    });
}

std::vector<std::shared_ptr<ChartSheet>> Workbook::chartSheets() const {
    std::vector<std::shared_ptr<ChartSheet>> out;
    for (const auto& sheet : sheets())
        if (sheet->kind() == SheetKind::ChartSheet) out.push_back(std::static_pointer_cast<ChartSheet>(sheet));
    return out;
}

void ChartEditListener::cellsDeleted(const Worksheet& sheet, const formula::Deletion& deletion) {
    shiftChartReferences(*sheet.workbook(), sheet, deletion);
    // Anchors move with whole rows or columns only: a partial shift leaves the drawing where it is.
    if (deletion.isWholeLines()) moveChartAnchors(sheet, deletion);
}

void ChartEditListener::sheetDeleted(const Workbook& book, const Sheet& sheet, const formula::SheetRemoval&) {
    invalidateChartReferences(book, sheet.name());
}

void ChartEditListener::sheetRenamed(const Workbook& book, const Sheet& sheet, const std::string& oldName) {
    renameChartReferences(book, oldName, sheet.name());
}

}  // namespace tavlora::host
