// Fills a 10-column list of N rows into a template workbook, cell by cell through the host, and
// saves it; prints the seconds as one line of JSON. Usage: fill_list TEMPLATE OUT ROWS
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

using namespace tavlora;

namespace {

// The same values the peer scripts write: a mix of integers, decimals and texts.
com::Variant cellValue(int row, int column) {
    switch (column % 4) {
        case 0: return com::Variant(static_cast<int32_t>(row * 10 + column));
        case 1: return com::Variant(row * 1.25 + column);
        case 2: return com::Variant("Item " + std::to_string(row % 1000));
        default: return com::Variant("Customer " + std::to_string(row) + "-" + std::to_string(column));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: fill_list TEMPLATE OUT ROWS\n");
        return 2;
    }
    const int rows = std::atoi(argv[3]);
    bench::Stopwatch clock;
    try {
        auto application = host::files::newApplication();
        auto workbook = application->open(argv[1]);
        auto sheet = workbook->worksheets().front();
        const int firstRow = 3;  // below the template's title and header rows
        for (int r = 0; r < rows; ++r) {
            for (int c = 1; c <= 10; ++c) sheet->cell(firstRow + r, c).setValue(cellValue(r, c));
        }
        workbook->saveAs(argv[2]);
        workbook->close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fill_list: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
