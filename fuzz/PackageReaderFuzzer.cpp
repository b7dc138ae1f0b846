// Reads arbitrary bytes as a workbook package. Any input must either read or be refused with a
// com::Error; a workbook that reads must also save, and what was saved must read again with the
// same sheets.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "com/Error.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/Sheet.h"
#include "host/Workbook.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/PackageWriter.h"

namespace {

using namespace tavlora;

// Smaller limits than a real open, so that the fuzzer spends its time on structure, not on size.
host::xlsx::ReadLimits fuzzLimits() {
    host::xlsx::ReadLimits limits;
    limits.maxPartSize = 16u << 20;
    limits.maxTotalSize = 64u << 20;
    limits.maxEntries = 2000;
    return limits;
}

std::string scratchFile() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("tavlora-fuzz-" + std::to_string(::getpid()) + ".xlsx")).string();
    return path;
}

[[noreturn]] void failure(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto application = host::files::newApplication();
    auto workbook = std::make_shared<host::Workbook>(application, "Fuzz");
    try {
        host::xlsx::readWorkbookFromBuffer(data, size, "fuzz input", *workbook, fuzzLimits());
    } catch (const com::Error&) {
        return 0;  // refused with a clear error: fine
    }

    try {
        host::xlsx::writeWorkbook(*workbook, scratchFile());
    } catch (const com::Error& error) {
        failure("a workbook that was read could not be saved", error.what());
    }
    auto reread = std::make_shared<host::Workbook>(application, "Fuzz2");
    try {
        host::xlsx::readWorkbook(scratchFile(), *reread, fuzzLimits());
    } catch (const com::Error& error) {
        failure("a saved workbook could not be read again", error.what());
    }
    if (reread->sheets().size() != workbook->sheets().size())
        failure("the saved workbook lost sheets", std::to_string(reread->sheets().size()));
    for (size_t i = 0; i < workbook->sheets().size(); ++i)
        if (reread->sheets()[i]->name() != workbook->sheets()[i]->name())
            failure("a sheet name changed", workbook->sheets()[i]->name() + " -> " + reread->sheets()[i]->name());
    return 0;
}
