#pragma once
#include <memory>
#include <string>

#include "com/Dispatch.h"

namespace tavlora::host {

class Workbook;
struct WorkbookStore;

enum class SheetKind : uint8_t { Worksheet, ChartSheet };
enum class SheetVisibility : uint8_t { Visible, Hidden, VeryHidden };

// Anything in the workbook's sheet list. A sheet watches its workbook (the workbook owns it);
// using a sheet whose workbook is gone, or that was deleted, is a host error.
class Sheet : public com::Dispatch {
public:
    Sheet(std::weak_ptr<Workbook> workbook, std::string name);
    ~Sheet() override;

    virtual SheetKind kind() const = 0;
    const std::string& name() const { return name_; }
    // Validates against the workbook's naming rules first (host error when refused).
    void setName(const std::string& name);
    // Workbook.Sheets(i).Delete; refused for the last visible sheet.
    void deleteSheet();

    SheetVisibility visibility() const { return visibility_; }
    void setVisibility(SheetVisibility v) { visibility_ = v; }
    bool isDeleted() const { return deleted_; }
    std::shared_ptr<Workbook> workbook() const;  // throws a host error when gone or deleted
    // The same check without taking a reference (an atomic update of the workbook's count), for
    // the calls that write cells one at a time. The workbook lives as long as the caller's call.
    Workbook& usableWorkbook() const;

    // Name of the sheet's part in the package (file layer bookkeeping), "" for a new sheet.
    const std::string& partName() const { return partName_; }
    void setPartName(std::string p) { partName_ = std::move(p); }
    void markDeleted() { deleted_ = true; }
    void setNameUnchecked(std::string name) { name_ = std::move(name); }
    // The workbook without the usability check (null when gone).
    const std::weak_ptr<Workbook>& weakWorkbook() const { return workbook_; }

private:
    std::weak_ptr<Workbook> workbook_;
    // workbook_'s object, null when the sheet was made before its workbook had an owner; only
    // followed while workbook_ has not expired.
    Workbook* book_ = nullptr;
    std::string name_;
    std::string partName_;
    SheetVisibility visibility_ = SheetVisibility::Visible;
    bool deleted_ = false;
};

}  // namespace tavlora::host
