// Edits whose cost must grow with the work and no faster: each case runs with n and with 10 n
// items, and the ratio of the two times is printed (10 is linear; 100 would be quadratic).
// n cannot grow at will (a sheet has 1,048,576 rows, a job lists 32,767 sheet names), so a case
// runs a number of rounds on fresh objects and each time is the sum of its rounds: a time of a
// few milliseconds says more about the machine's noise than about the edit.
// Usage: scaling [--quick] OUTDIR
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "com/Variant.h"
#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/files/NewApplication.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

using namespace tavlora;

namespace {

struct Case {
    const char* name;
    int32_t n;
    int32_t rounds;
    // Prepares n items and returns the seconds of the part under test.
    std::function<double(int32_t n)> run;
};


double emptyCells(int32_t n) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto sheet = workbook->worksheets().front();
    for (int32_t row = 1; row <= n; ++row) sheet->cell(row, 2).setValue(com::Variant(std::string("%Name%")));
    bench::Stopwatch clock;
    for (int32_t row = 1; row <= n; ++row) sheet->cell(row, 2).setValue(com::Variant());
    double seconds = clock.seconds();
    application->quit();
    return seconds;
}

double writeRowsBottomUp(int32_t n) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto sheet = workbook->worksheets().front();
    bench::Stopwatch clock;
    for (int32_t row = n; row >= 1; --row) sheet->cell(row, 1).setValue(com::Variant(double(row)));
    double seconds = clock.seconds();
    application->quit();
    return seconds;
}

double registerSheetNames(int32_t n) {
    auto job = printjob::CExcelBatDo::create();
    bench::Stopwatch clock;
    for (int32_t i = 0; i < n; ++i) job->DoAddSheet("Sheet" + std::to_string(i));
    return clock.seconds();
}

double saveChartWithManySeries(int32_t n, const std::filesystem::path& out) {
    auto application = host::files::newApplication();
    auto workbook = application->add();
    auto sheet = workbook->worksheets().front();
    auto chart = sheet->addChartObject(10, 10, 300, 200)->chart();
    for (int32_t i = 0; i < n; ++i)
        chart->seriesCollection().newSeries()->setValues(com::Variant(std::string("={1,2,3}")));
    bench::Stopwatch clock;
    workbook->saveAs(out.string());
    double seconds = clock.seconds();
    application->quit();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = argc == 3 && std::string(argv[1]) == "--quick";
    if (argc != 2 && !quick) {
        std::fprintf(stderr, "usage: scaling [--quick] OUTDIR\n");
        return 2;
    }
    std::filesystem::path outDir = argv[argc - 1];
    int32_t scale = quick ? 1 : 4;
    std::vector<Case> cases{
        {"empty placeholder cells one by one", 3000 * scale, 80, emptyCells},
        {"write rows bottom-up", 12000 * scale, 10, writeRowsBottomUp},
        {"DoAddSheet names", 800 * scale, 200, registerSheetNames},
        {"save a chart with many series", 1000 * scale, 2,
         [&](int32_t n) { return saveChartWithManySeries(n, outDir / "scaling_chart.xlsx"); }},
    };
    auto timeRounds = [](const Case& c, int32_t n) {
        double seconds = 0;
        for (int32_t round = 0; round < c.rounds; ++round) seconds += c.run(n);
        return seconds;
    };
    try {
        for (const Case& c : cases) {
            double small = timeRounds(c, c.n);
            double large = timeRounds(c, c.n * 10);
            std::printf("{\"case\": \"%s\", \"n\": %d, \"rounds\": %d, \"seconds\": %.4f, \"seconds_10n\": %.4f, "
                        "\"ratio\": %.1f}\n",
                        c.name, c.n, c.rounds, small, large, small > 0 ? large / small : 0.0);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scaling: %s\n", e.what());
        return 1;
    }
    return 0;
}
