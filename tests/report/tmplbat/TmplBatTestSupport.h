#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com/Conversions.h"
#include "host/files/NewApplication.h"
#include "data/MemoryRecordset.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelTmplPrintBat.h"

namespace tavlora::tmplbat::test {

// An in-memory workbook with a list template sheet "List" and a second sheet "Other", and a filler
// bound to the workbook.
struct ListBook {
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> list;
    std::shared_ptr<host::Worksheet> other;
    std::shared_ptr<CExcelTmplPrintBat> filler = CExcelTmplPrintBat::create();

    ListBook() {
        list = workbook->worksheets().front();
        list->setName("List");
        other = workbook->addWorksheet(nullptr, list.get());
        other->setName("Other");
        filler->setCurWk(workbook);
    }
    ~ListBook() { application->quit(); }

    // Writes values into cells of the template sheet.
    void put(std::initializer_list<std::pair<const char*, com::Variant>> cells) {
        for (const auto& [address, value] : cells) list->range(address).setValue(value);
    }
    com::Variant at(const char* address) const { return list->range(address).value(); }
    // The cell's value as text ("" for an empty cell).
    std::string text(const char* address) const { return com::toTextOrEmpty(at(address)); }
    // Texts of the cells of one column from row `first` to row `last`.
    std::vector<std::string> column(const char* letters, int first, int last) const {
        std::vector<std::string> out;
        for (int row = first; row <= last; ++row) out.push_back(text((letters + std::to_string(row)).c_str()));
        return out;
    }
};

inline std::shared_ptr<data::MemoryRecordset> recordset(std::vector<std::string> names,
                                                         std::vector<data::MemoryRecordset::Row> rows) {
    return std::make_shared<data::MemoryRecordset>(std::move(names), std::move(rows));
}

}  // namespace tavlora::tmplbat::test
