// Record table: a query's rows written by the record-table filler (title, captions, house style,
// fitted columns) into a new workbook, saved as .xlsx.
// Usage: record_table DATABASE OUT ROWS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "RecordTableJob.h"
#include "data/SqliteRecordset.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: record_table DATABASE OUT ROWS\n");
        return 2;
    }
    const std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(std::atol(argv[3]));
    bench::Stopwatch clock;
    try {
        bench::writeRecordTable(data::SqliteRecordset::open(argv[1], query), argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "record_table: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
