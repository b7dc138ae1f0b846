// Saving a workbook that nothing changed: opens it, then saves it under another name. Prints the
// seconds of the save alone (and of the open) as JSON. Usage: save_unchanged IN OUT
#include <cstdio>
#include <exception>

#include "BenchSupport.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Workbook.h"

using namespace tavlora;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: save_unchanged IN OUT\n");
        return 2;
    }
    double openSeconds = 0;
    double saveSeconds = 0;
    try {
        auto application = host::files::newApplication();
        bench::Stopwatch openClock;
        auto workbook = application->open(argv[1]);
        openSeconds = openClock.seconds();
        bench::Stopwatch saveClock;
        workbook->saveAs(argv[2]);
        saveSeconds = saveClock.seconds();
        workbook->close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "save_unchanged: %s\n", e.what());
        return 1;
    }
    std::printf("{\"seconds\": %.4f, \"open\": %.4f}\n", saveSeconds, openSeconds);
    return 0;
}
