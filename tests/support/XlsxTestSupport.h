#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/Workbook.h"

namespace tavlora::test {

// The namespace of the spreadsheet parts' elements.
inline constexpr const char* kSpreadsheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// A workbook read straight through the file layer (no Application.Open bookkeeping).
std::shared_ptr<host::Workbook> readXlsx(const std::filesystem::path& path);
// A new, empty workbook to build in code.
std::shared_ptr<host::Workbook> emptyWorkbook();

// Everything the engine models, as comparable text: sheets (name, kind, visibility), cells with
// kind and value (formulas with their text and cached value), row heights, merged areas, defined
// names. Two workbooks with equal descriptions hold the same content.
std::string describeWorkbook(const host::Workbook& workbook);
// Cells holding a value or formula, over all worksheets.
size_t valueCellCount(const host::Workbook& workbook);

// The fixture workbooks, sorted by name.
std::vector<std::string> fixtureNames();

// The file names inside a zip archive (by Python's zipfile).
std::string zipListing(const std::filesystem::path& path);

// Runs a command, returns its exit status; output goes to `output` when given.
int runCommand(const std::string& command, std::string* output = nullptr);

// Has LibreOffice convert `file` (to "csv", "xlsx", ...) into `outDir`, with a profile of its own
// under `workDir`; the exit status, and what LibreOffice printed in `log`.
int convertWithLibreOffice(const std::filesystem::path& workDir, const std::filesystem::path& file,
                           const std::string& format, const std::filesystem::path& outDir, std::string* log);

}  // namespace tavlora::test

namespace tavlora::test {

// Parts of a package to write as a zip: name and bytes, in order.
using PartList = std::vector<std::pair<std::string, std::string>>;

// The smallest valid workbook: one worksheet "Data" holding A1 = 1 and B1 = shared string "x".
PartList minimalPackage();
// The minimal package whose one worksheet holds `rowsXml` (the <row> elements of its sheetData).
PartList packageWithRows(const std::string& rowsXml);
// The same with one table on the worksheet: `tableXml` is the table part's <table> element.
PartList packageWithTable(const std::string& rowsXml, const std::string& tableXml);
// A relationship of a kind of the officeDocument namespace ("worksheet", "table", "drawing").
std::string officeRelationship(const std::string& id, const std::string& kind, const std::string& target);
// A relationships part holding `body`, the relationships.
std::string relationshipsPart(const std::string& body);
void replacePart(PartList& parts, const std::string& name, std::string bytes);
void removePart(PartList& parts, const std::string& name);
void writeZip(const std::filesystem::path& path, const PartList& parts);
// The text of one part of a zip archive; a test failure and "" when the archive has no such part.
std::string zipPartText(const std::filesystem::path& path, const std::string& part);

}  // namespace tavlora::test
