#include "host/Sheet.h"

#include "com/Error.h"
#include "host/Workbook.h"

namespace tavlora::host {

Sheet::Sheet(std::weak_ptr<Workbook> workbook, std::string name)
    : workbook_(std::move(workbook)), book_(workbook_.lock().get()), name_(std::move(name)) {}

Sheet::~Sheet() = default;

std::shared_ptr<Workbook> Sheet::workbook() const {
    if (deleted_) com::throwHostError("The sheet '" + name_ + "' has been deleted.");
    auto book = workbook_.lock();
    if (!book || book->isClosed()) com::throwHostError("The workbook of sheet '" + name_ + "' is closed.");
    return book;
}

Workbook& Sheet::usableWorkbook() const {
    // A closed workbook marks its sheets deleted, so the flag and the count tell what workbook() does.
    if (deleted_ || !book_ || workbook_.expired()) return *workbook();
    return *book_;
}

void Sheet::setName(const std::string& name) {
    auto book = workbook();
    book->validateSheetName(name, this);
    std::string oldName = name_;
    book->renameSheetReferences(oldName, name);
    name_ = name;
    book->notifyEdit([&](EditListener& listener) { listener.sheetRenamed(*book, *this, oldName); });
}

void Sheet::deleteSheet() { workbook()->deleteSheet(*this); }

}  // namespace tavlora::host
