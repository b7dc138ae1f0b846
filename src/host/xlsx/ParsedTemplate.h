#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "host/cells/CellStore.h"
#include "host/Workbook.h"
#include "host/xlsx/KeptCellAttributes.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/WorkbookPart.h"
#include "host/xlsx/chart/ChartPackageReader.h"

namespace tavlora::host {
class Worksheet;
}

namespace tavlora::host::xlsx {

// What reading a template made, as it was before anything else touched the workbook (styles,
// shared strings, worksheets, the workbook part and everything the reader keeps of the package:
// content types, relationships, the parts it carries, the chart parts parsed): a report opened
// from a cached template starts from a copy of it instead of parsing those parts again. Every copy
// is deep (cells, texts, formats, the kept XML), so nothing a report does reaches the template or
// another report; the parsed chart parts are only read, while the report's charts are made.
// Immutable once made; any number of threads may copy from it at once.
class ParsedTemplate {
public:
    // Packages larger than this (unpacked and packed bytes held) are parsed for every workbook: the
    // parsed form of a large template would hold its cells a second time outside the cache's
    // budget, and the reports made from it are large enough for the parse not to matter.
    static constexpr size_t kLargestPackage = size_t(16) << 20;

    ParsedTemplate(const ParsedTemplate&) = delete;
    ParsedTemplate& operator=(const ParsedTemplate&) = delete;

    // The state of `workbook` right after it was read from a package, with what the reader kept of
    // the package and read of its workbook part.
    static std::shared_ptr<const ParsedTemplate> capture(Workbook& workbook, const PackageContents& contents,
                                                         const WorkbookPartInfo& workbookInfo,
                                                         ParsedChartParts chartParts);

    // A copy of the kept package, for a workbook of its own.
    std::shared_ptr<PackageContents> copyContents() const { return contents_->copy(); }
    const WorkbookPartInfo& workbookInfo() const { return workbookInfo_; }
    // The chart parts as the first read parsed them; read only.
    const ParsedChartParts& chartParts() const { return chartParts_; }

    // Replaces the texts and formats of `store` with the template's.
    void copyStoreInto(WorkbookStore& store) const;
    // Gives `sheet` the cells, merges, sizes and kept XML the worksheet of part `partName` was read
    // with; false when the template has no such worksheet.
    bool copySheetInto(const std::string& partName, Worksheet& sheet) const;

private:
    struct SheetState;
    ParsedTemplate() = default;

    WorkbookStore store_;
    std::shared_ptr<const PackageContents> contents_;  // as the reader left it
    WorkbookPartInfo workbookInfo_;
    ParsedChartParts chartParts_;
    std::unordered_map<std::string, std::unique_ptr<const SheetState>> sheets_;  // by part name
};

// Where the workbooks opened from one cached package find its parsed template: the first open
// that finds none reads the parts and offers what it read, later opens copy it. Safe on any
// thread.
class ParsedTemplateSlot {
public:
    std::shared_ptr<const ParsedTemplate> get() const;
    // Keeps `parsed` unless another open offered one first (both hold the same).
    void offer(std::shared_ptr<const ParsedTemplate> parsed);

private:
    mutable std::mutex mutex_;  // guards parsed_
    std::shared_ptr<const ParsedTemplate> parsed_;
};

}  // namespace tavlora::host::xlsx
