// Batch list fill: records from SQLite laid into a list template by the list filler, the control
// row and column deleted (end mode 2), saved as .xlsx.
// Usage: batch_fill TEMPLATE DATABASE OUT ROWS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "host/files/NewApplication.h"
#include "data/SqliteRecordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "tavlora/CExcelTmplPrintBat.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: batch_fill TEMPLATE DATABASE OUT ROWS\n");
        return 2;
    }
    const std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(std::atol(argv[4]));
    bench::Stopwatch clock;
    try {
        auto application = host::files::newApplication();
        auto workbook = application->open(argv[1]);
        auto filler = tmplbat::CExcelTmplPrintBat::create();
        filler->setCurWk(workbook);
        if (!filler->DoA_Begin("List", true)) throw std::runtime_error("DoA_Begin failed");
        if (!filler->DoA_ReplaceWhiteDot("Title", "Sales 2024")) throw std::runtime_error("no %Title% placeholder");
        if (!filler->DoA_OutputRst(data::SqliteRecordset::open(argv[2], query)))
            throw std::runtime_error("DoA_OutputRst failed");
        filler->DoA_End();
        workbook->saveAs(argv[3]);
        workbook->close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "batch_fill: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
