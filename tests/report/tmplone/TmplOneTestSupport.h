#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/Application.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplone::test {

// An in-memory workbook with a template sheet "Invoice" and a second sheet "Other", and a filler
// that works on it.
struct TemplateBook {
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> invoice;
    std::shared_ptr<host::Worksheet> other;
    std::shared_ptr<CExcelTmplPrintOne> filler = CExcelTmplPrintOne::create();

    TemplateBook() {
        invoice = workbook->worksheets().front();
        invoice->setName("Invoice");
        other = workbook->addWorksheet(nullptr, invoice.get());
        other->setName("Other");
        filler->setCurWk(workbook);
    }
    ~TemplateBook() { application->quit(); }

    // Writes texts (or numbers given as doubles) into cells of the template sheet.
    void put(std::initializer_list<std::pair<const char*, com::Variant>> cells) {
        for (const auto& [address, value] : cells) invoice->range(address).setValue(value);
    }
    com::Variant at(const char* address) const { return invoice->range(address).value(); }
};

// The entries as "name@address" texts, in list order.
inline std::vector<std::string> describe(const CExcelTmplPrintOne& filler) {
    std::vector<std::string> out;
    for (const SWhiteDot& dot : filler.entries()) out.push_back(dot.strFld + "@" + dot.strPos);
    return out;
}

}  // namespace tavlora::tmplone::test
