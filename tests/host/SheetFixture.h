#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "com/Error.h"
#include "support/ComErrorMatchers.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host::test {

// A new workbook with one sheet, and verbs to fill and read it by address.
class SheetFixture : public ::testing::Test {
protected:
    void SetUp() override {
        app = files::newApplication();
        book = app->add();
        sheet = book->worksheets().front();
    }
    void TearDown() override { app->quit(); }

    Range at(const std::string& address) { return sheet->range(address); }
    void put(const std::string& address, const com::Variant& value) { at(address).setValue(value); }
    com::Variant get(const std::string& address) { return at(address).value(); }
    std::string text(const std::string& address) { return at(address).text(); }
    const Styles& styles() { return sheet->workbookStore().styles; }
    const CellFormatInfo& formatAt(const std::string& address) {
        auto area = *parseA1(address);
        return styles().cellFormat(sheet->effectiveStyle(area.firstRow, area.firstColumn));
    }
    size_t storedCells() const {
        size_t n = 0;
        for (const auto& row : sheet->store().rows()) n += row.cells.size();
        return n;
    }

    std::shared_ptr<Application> app;
    std::shared_ptr<Workbook> book;
    std::shared_ptr<Worksheet> sheet;
};

using tavlora::test::expectComError;

// Runs `action` and expects a com::Error with `code` and exactly `message`.
template <typename Action>
void expectError(Action action, com::HRESULT code, const std::string& message) {
    expectComError(action, code, message);
}

}  // namespace tavlora::host::test
