#include "host/files/FileFormats.h"

#include "base/Ascii.h"
#include "com/Error.h"
#include "host/files/PageExtrasReader.h"
#include "host/Workbook.h"
#include "host/html/WebPageWriter.h"
#include "host/xlsx/DeflaterPool.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/PackageSnapshot.h"
#include "host/xlsx/PackageWriter.h"
#include "host/xlsx/TemplateCache.h"

namespace tavlora::host::files {

namespace {

std::string lowerExtension(const std::filesystem::path& path) { return base::asciiLower(path.extension().string()); }

// A web page must not take the place of a workbook: not under a workbook's name, and not over
// the file the workbook was read from or saved to.
void refusePageOverWorkbook(const Workbook& book, const std::filesystem::path& target) {
    std::string ext = lowerExtension(target);
    if (ext == ".xlsx" || ext == ".xlsm")
        com::throwHostError("SaveAs: a web page cannot be saved as '" + target.filename().string() +
                            "', a name for a workbook.");
    std::error_code ec;
    if (!book.fullName().empty() && book.fileFormat() != fileformat::kHtml &&
        std::filesystem::equivalent(target, book.fullName(), ec))
        com::throwHostError("SaveAs: a web page cannot replace the workbook's own file '" + book.fullName() + "'.");
}

}  // namespace

FileFormats::FileFormats(FileOptions options) : options_(std::move(options)) {
    if (!options_.compressors) options_.compressors = std::make_shared<xlsx::DeflaterPool>();
}

int32_t FileFormats::read(const std::string& given, const std::filesystem::path& absolute, Workbook& book) const {
    std::string ext = lowerExtension(absolute);
    if (ext != ".xlsx" && ext != ".xlsm")
        com::throwHostError("Workbooks.Open: '" + given + "' is not an .xlsx or .xlsm workbook.");
    if (options_.templates)
        xlsx::readWorkbookFrom(*options_.templates->package(absolute.string()), book);
    else
        xlsx::readWorkbook(absolute.string(), book);
    return ext == ".xlsm" ? fileformat::kMacroEnabled : fileformat::kDefault;
}

const base::FileSync& FileFormats::fileSync() const {
    return options_.flushSaves ? base::FileSync::system() : base::FileSync::none();
}

std::string FileFormats::extension(int32_t fileFormat) const {
    if (fileFormat == fileformat::kHtml) return ".htm";
    return fileFormat == fileformat::kMacroEnabled ? ".xlsm" : ".xlsx";
}

WorkbookFiles::Written FileFormats::write(const Workbook& book, std::filesystem::path target, int32_t fileFormat) const {
    if (fileFormat == fileformat::kHtml) {
        refusePageOverWorkbook(book, target);
        html::writeWebPage(book, target.string(), readPageExtras(book), fileSync());
        return {std::move(target), fileFormat, true};
    }
    if (fileFormat != fileformat::kDefault && fileFormat != fileformat::kMacroEnabled)
        com::throwHostError("SaveAs: file format " + std::to_string(fileFormat) +
                            " is not supported (51 = workbook, 52 = macro-enabled workbook, 44 = web page).");
    if (!target.has_extension()) target += extension(fileFormat);
    std::string ext = lowerExtension(target);
    if (ext != ".xlsx" && ext != ".xlsm")
        com::throwHostError("SaveAs: '" + target.filename().string() +
                            "' must end in .xlsx or .xlsm for this file format.");
    xlsx::writeWorkbook(book, target.string(), fileSync(), options_.compressors.get());
    return {std::move(target), ext == ".xlsm" ? fileformat::kMacroEnabled : fileformat::kDefault, true};
}

}  // namespace tavlora::host::files
