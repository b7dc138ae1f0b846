// The record-table job the record_table programs share: a recordset's rows written by the
// record-table filler (title, captions, house style, fitted columns) into a new workbook, saved.
#pragma once
#include <stdexcept>
#include <string>

#include "data/Recordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/files/NewApplication.h"
#include "tavlora/CExcelOutputRcd.h"

namespace tavlora::bench {

inline void writeRecordTable(const data::RecordsetPtr& records, const std::string& out) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto table = outputrcd::CExcelOutputRcd::create();
    table->setCurWk(workbook);
    table->setIsTitle(true);
    table->setTitle("Sales records");
    table->setCurSheet(workbook->worksheets().front());
    if (!table->DoA_RcdRst("", records)) throw std::runtime_error("DoA_RcdRst failed");
    workbook->saveAs(out);
    workbook->close();
}

}  // namespace tavlora::bench
