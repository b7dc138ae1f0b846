// The record-table job the record_table programs share: a recordset's rows written by the
// record-table filler (title, captions, house style, fitted columns) into a new workbook, saved.
#pragma once
#include <memory>
#include <stdexcept>
#include <string>

#include "data/Recordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/files/NewApplication.h"
#include "tavlora/CExcelOutputRcd.h"

namespace tavlora::bench {

// The job's workbook, filled and not saved.
inline std::shared_ptr<host::Workbook> filledRecordTable(host::Application& application,
                                                         const data::RecordsetPtr& records) {
    auto workbook = application.add();
    auto table = outputrcd::CExcelOutputRcd::create();
    table->setCurWk(workbook);
    table->setIsTitle(true);
    table->setTitle("Sales records");
    table->setCurSheet(workbook->worksheets().front());
    if (!table->DoA_RcdRst("", records)) throw std::runtime_error("DoA_RcdRst failed");
    return workbook;
}

inline void writeRecordTable(const data::RecordsetPtr& records, const std::string& out) {
    auto application = host::files::newApplication();
    auto workbook = filledRecordTable(*application, records);
    workbook->saveAs(out);
    workbook->close();
}

}  // namespace tavlora::bench
