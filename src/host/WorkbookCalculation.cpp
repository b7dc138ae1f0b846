#include "host/formula/CalcEngine.h"
#include "host/TableCatalog.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

// Sheet indexes are the workbook's; the file layer, when it keeps the package, knows the tables.
formula::WorkbookView viewOf(Workbook& book) {
    formula::WorkbookView view;
    for (const auto& sheet : book.sheets()) {
        formula::WorkbookView::Sheet entry{sheet->name(), nullptr};
        if (sheet->kind() == SheetKind::Worksheet) entry.cells = &static_cast<Worksheet&>(*sheet).store();
        view.sheets.push_back(std::move(entry));
    }
    view.strings = &book.store().strings;
    for (const auto& name : book.definedNames()) view.names.push_back({name.name, name.formula, name.localSheet});
    if (auto* catalog = dynamic_cast<TableCatalog*>(book.keptPackage().get())) view.tables = catalog->tables(book);
    view.date1904 = book.store().styles.uses1904Dates();
    return view;
}

}  // namespace

formula::CalcEngine& Workbook::calculation() {
    if (!calculation_) calculation_ = std::make_unique<formula::CalcEngine>();
    if (calculationViewStale_) {
        calculation_->setWorkbook(viewOf(*this));
        calculationViewStale_ = false;
    }
    return *calculation_;
}

void Workbook::calculate() {
    if (closed_) return;
    calculation().calculate();
}

void Workbook::calculateFormula(const Worksheet& sheet, uint32_t formulaId) {
    if (closed_) return;
    int32_t index = indexOf(sheet);
    if (index >= 0) calculation().calculateFormula(index, formulaId);
}

void Workbook::noteValuesChanged(const Worksheet& sheet, const Area& area) {
    if (closed_ || !calculation_ || calculationViewStale_) return;
    int32_t index = indexOf(sheet);
    if (index >= 0) calculation_->valuesChanged(index, area);
}

void Workbook::noteFormulaChanged(const Worksheet& sheet, int32_t row, int32_t column) {
    if (closed_ || !calculation_ || calculationViewStale_) return;
    int32_t index = indexOf(sheet);
    if (index >= 0) calculation_->formulaChanged(index, row, column);
}

}  // namespace tavlora::host
