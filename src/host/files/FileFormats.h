#pragma once
#include "host/WorkbookFiles.h"

namespace tavlora::host::files {

// The one place that knows which file formats exist: Office Open XML workbooks (.xlsx, and .xlsm
// with macros) are read and written; a web page (format 44) is written as an export.
class FileFormats final : public WorkbookFiles {
public:
    int32_t read(const std::string& given, const std::filesystem::path& absolute, Workbook& book) const override;
    std::string extension(int32_t fileFormat) const override;
    Written write(const Workbook& book, std::filesystem::path target, int32_t fileFormat) const override;
};

}  // namespace tavlora::host::files
