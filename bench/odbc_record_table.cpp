// Record table from a database server: the job of record_table.cpp with its rows read through
// ODBC instead of from an SQLite file.
// Usage: odbc_record_table CONNECTION OUT ROWS
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "RecordTableJob.h"
#include "data/OdbcRecordset.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: odbc_record_table CONNECTION OUT ROWS\n");
        return 2;
    }
    const std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(std::atol(argv[3]));
    bench::Stopwatch clock;
    try {
        bench::writeRecordTable(data::OdbcRecordset::open(argv[1], query), argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_record_table: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
