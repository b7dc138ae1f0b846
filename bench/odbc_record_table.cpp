// Record table from a database server: the record-table job of record_table.cpp, its rows read
// through ODBC instead of from an SQLite file.
// Usage: odbc_record_table CONNECTION OUT ROWS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "data/OdbcRecordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/files/NewApplication.h"
#include "tavlora/CExcelOutputRcd.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: odbc_record_table CONNECTION OUT ROWS\n");
        return 2;
    }
    const std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(std::atol(argv[3]));
    bench::Stopwatch clock;
    try {
        auto application = host::files::newApplication();
        auto workbook = application->add();
        auto table = outputrcd::CExcelOutputRcd::create();
        table->setCurWk(workbook);
        table->setIsTitle(true);
        table->setTitle("Sales records");
        table->setCurSheet(workbook->worksheets().front());
        if (!table->DoA_RcdRst("", data::OdbcRecordset::open(argv[1], query)))
            throw std::runtime_error("DoA_RcdRst failed");
        workbook->saveAs(argv[2]);
        workbook->close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_record_table: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
