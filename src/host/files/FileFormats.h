#pragma once
#include <memory>

#include "base/AtomicFile.h"
#include "host/WorkbookFiles.h"

namespace tavlora::host::xlsx {
class DeflaterPool;
class TemplateCache;
}

namespace tavlora::host::files {

// How an application reads and writes its files.
struct FileOptions {
    // Workbooks are opened through this cache: a file opened before and unchanged since is not
    // read again. May be shared by applications on other threads. Null: every open reads the file.
    std::shared_ptr<xlsx::TemplateCache> templates;
    // Each save is flushed to disk (file and folder) before it counts as done. Off, saves are still
    // atomic but a power loss may take the newest ones: for many reports that can be made again.
    bool flushSaves = true;
    // The compressors saves borrow and give back, so that a run of small reports does not make
    // them for every file. May be shared by applications on other threads. Null: the application
    // keeps a pool of its own.
    std::shared_ptr<xlsx::DeflaterPool> compressors;
};

// The one place that knows which file formats exist: Office Open XML workbooks (.xlsx, and .xlsm
// with macros) are read and written; a web page (format 44) is written as an export.
class FileFormats final : public WorkbookFiles {
public:
    explicit FileFormats(FileOptions options = {});
    int32_t read(const std::string& given, const std::filesystem::path& absolute, Workbook& book) const override;
    std::string extension(int32_t fileFormat) const override;
    Written write(const Workbook& book, std::filesystem::path target, int32_t fileFormat) const override;

private:
    const base::FileSync& fileSync() const;
    FileOptions options_;
};

}  // namespace tavlora::host::files
