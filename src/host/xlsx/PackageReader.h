#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavlora::host {
class Workbook;
}

namespace tavlora::host::xlsx {

class PackageSnapshot;

// Limits that keep a hostile package from exhausting memory.
struct ReadLimits {
    uint64_t maxPartSize = 1ull << 31;        // unpacked bytes of one part
    // Unpacked bytes of all parts, as the directory declares them and as they actually unpack:
    // what one open may hold in memory before the parsed parts are counted.
    uint64_t maxTotalSize = 256ull << 20;
    uint64_t maxCompressionRatio = 1000;      // unpacked / packed, for parts over 1 MiB
    uint64_t maxEntries = 100000;             // entries in the zip directory
};

// Reads an .xlsx / .xlsm file into an empty workbook. Throws com::Error (host error) with a clear
// message for a missing file, a file that is not a zip, a package without a workbook part, an
// ill-formed part or a part beyond the limits.
void readWorkbook(const std::string& path, Workbook& workbook, const ReadLimits& limits = {});

// The same for a package held in memory; `displayName` stands for the file in messages. The
// workbook's file name is left alone.
void readWorkbookFromBuffer(const void* data, size_t size, const std::string& displayName, Workbook& workbook,
                            const ReadLimits& limits = {});

// The same for a package read earlier (a TemplateCache's); the file is not touched.
void readWorkbookFrom(const PackageSnapshot& package, Workbook& workbook);

}  // namespace tavlora::host::xlsx
