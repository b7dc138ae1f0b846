// Web page: the record-table job's workbook saved as .xlsx and then as a web page; the two saves
// timed apart, each from the same filled workbook.
// Usage: web_page DATABASE OUT_XLSX OUT_HTML ROWS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "RecordTableJob.h"
#include "data/SqliteRecordset.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: web_page DATABASE OUT_XLSX OUT_HTML ROWS\n");
        return 2;
    }
    const std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(std::atol(argv[4]));
    try {
        auto application = host::files::newApplication();
        auto workbook = bench::filledRecordTable(*application, data::SqliteRecordset::open(argv[1], query));
        bench::Stopwatch xlsxClock;
        workbook->saveAs(argv[2]);
        double xlsx = xlsxClock.seconds();
        bench::Stopwatch pageClock;
        workbook->saveAs(argv[3], host::fileformat::kHtml);
        double page = pageClock.seconds();
        workbook->close();
        std::printf("{\"xlsx\": %.4f, \"page\": %.4f, \"seconds\": %.4f}\n", xlsx, page, page);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "web_page: %s\n", e.what());
        return 1;
    }
    return 0;
}
