#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace tavlora::host {

class Workbook;

// The file formats workbooks are read from and written to. The engine knows none of them: an
// application is given one of these when it is made.
class WorkbookFiles {
public:
    virtual ~WorkbookFiles() = default;

    // Fills the new, empty `book` from the file at `absolute` and answers the file format it read.
    // Throws a host error with a clear message (naming the file as the caller gave it, `given`)
    // when the file is not one it reads.
    virtual int32_t read(const std::string& given, const std::filesystem::path& absolute, Workbook& book) const = 0;

    // The extension (".xlsx") a file of `fileFormat` gets when the caller names none.
    virtual std::string extension(int32_t fileFormat) const = 0;

    struct Written {
        std::filesystem::path path;  // with the extension added where the name had none
        int32_t fileFormat = 0;      // as the extension decided it (".xlsm" is macro-enabled)
        // False for an export that leaves the workbook its own file and format.
        bool isWorkbookFile = true;
    };
    // Writes `book` in `fileFormat` to `target`, atomically. Throws a host error when the format
    // is unknown or the name does not suit it.
    virtual Written write(const Workbook& book, std::filesystem::path target, int32_t fileFormat) const = 0;
};

}  // namespace tavlora::host
