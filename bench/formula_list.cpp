// Fills a list of N rows (item, region, quantity, price) with a formula per row (=C*D), a running
// total and SUM / AVERAGEIF totals, computes and saves it; prints the seconds as one line of JSON.
// With "values" instead of "formulas" the same cells get the numbers the formulas give, written
// as values: the job without formulas, to measure what computing adds.
// Usage: formula_list OUT ROWS formulas|values
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

const char* const kRegions[] = {"East", "West", "North", "South"};

double quantityOf(int r) { return 1 + r % 17; }
double priceOf(int r) { return 0.5 + (r % 101) * 0.25; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[3]) != "formulas" && std::string(argv[3]) != "values")) {
        std::fprintf(stderr, "usage: formula_list OUT ROWS formulas|values\n");
        return 2;
    }
    const int rows = std::atoi(argv[2]);
    const bool formulas = std::string(argv[3]) == "formulas";
    bench::Stopwatch clock;
    try {
        auto application = host::files::newApplication();
        auto workbook = application->add();
        auto sheet = workbook->worksheets().front();
        const char* headers[] = {"Item", "Region", "Quantity", "Price", "Amount", "Running total"};
        for (int c = 0; c < 6; ++c) sheet->cell(1, c + 1).setValue(com::Variant(headers[c]));
        double running = 0, east = 0;
        int eastCount = 0;
        const int first = 2, last = rows + 1;
        for (int r = first; r <= last; ++r) {
            const std::string row = std::to_string(r);
            const double amount = quantityOf(r) * priceOf(r);
            running += amount;
            if (r % 4 == 0) {
                east += amount;
                ++eastCount;
            }
            sheet->cell(r, 1).setValue(com::Variant("Item " + std::to_string(r % 1000)));
            sheet->cell(r, 2).setValue(com::Variant(kRegions[r % 4]));
            sheet->cell(r, 3).setValue(com::Variant(quantityOf(r)));
            sheet->cell(r, 4).setValue(com::Variant(priceOf(r)));
            if (formulas) {
                sheet->cell(r, 5).setFormula("=C" + row + "*D" + row);
                sheet->cell(r, 6).setFormula(r == first ? "=E" + row : "=F" + std::to_string(r - 1) + "+E" + row);
            } else {
                sheet->cell(r, 5).setValue(com::Variant(amount));
                sheet->cell(r, 6).setValue(com::Variant(running));
            }
        }
        const std::string span = std::to_string(first) + ":E" + std::to_string(last);
        sheet->cell(last + 1, 4).setValue(com::Variant("Total"));
        sheet->cell(last + 2, 4).setValue(com::Variant("East average"));
        if (formulas) {
            sheet->cell(last + 1, 5).setFormula("=SUM(E" + span + ")");
            sheet->cell(last + 2, 5).setFormula("=AVERAGEIF(B" + std::to_string(first) + ":B" + std::to_string(last) +
                                                ",\"East\",E" + span + ")");
        } else {
            sheet->cell(last + 1, 5).setValue(com::Variant(running));
            sheet->cell(last + 2, 5).setValue(com::Variant(eastCount ? east / eastCount : 0.0));
        }
        workbook->saveAs(argv[1]);
        workbook->close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "formula_list: %s\n", e.what());
        return 1;
    }
    bench::printResult(clock.seconds());
    return 0;
}
