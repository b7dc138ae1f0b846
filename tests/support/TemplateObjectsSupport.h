#pragma once
#include <filesystem>
#include <string>

// Templates holding a table "Items" with a structured total and a picture, built with openpyxl,
// and what a filled report shows of them: for the fillers' tests of deleted rows and columns.
namespace tavlora::test {

// Where the objects go: the table's area (its header row first, a column "Qty" among its
// columns), the cell of `=SUM(Items[Qty])`, and the picture's corners as zero-based column and row.
struct TemplateObjects {
    std::string tableRef;
    std::string totalCell;
    int pictureFromColumn = 0;
    int pictureFromRow = 0;
    int pictureToColumn = 0;
    int pictureToRow = 0;
};

// Python lines that add the objects to the openpyxl sheet `ws` (the picture's file goes to
// `folder`); the header row's captions must be in the sheet already.
std::string templateObjectsScript(const TemplateObjects& objects, const std::filesystem::path& folder);

// The tables with their areas, the formula or value of `cell`, and the picture's corners as
// (column, row) pairs, one per line, as openpyxl and the drawing part show them.
std::string describeTemplateObjects(const std::filesystem::path& report, const std::string& sheet,
                                    const std::string& cell);

// The first sheet of the report as LibreOffice computes it, in CSV (a test failure and "" when the
// conversion fails); LibreOffice works under `workDir`.
std::string csvByLibreOffice(const std::filesystem::path& workDir, const std::filesystem::path& report);

}  // namespace tavlora::test
