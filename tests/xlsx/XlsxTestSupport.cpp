#include "XlsxTestSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

#include "host/Application.h"
#include "host/CellRef.h"
#include "host/Worksheet.h"
#include "host/xlsx/PackageReader.h"
#include "support/TestPaths.h"

namespace tavlora::test {

using namespace tavlora::host;

std::shared_ptr<Workbook> emptyWorkbook() { return std::make_shared<Workbook>(Application::create(), "Book1"); }

std::shared_ptr<Workbook> readXlsx(const std::filesystem::path& path) {
    auto workbook = emptyWorkbook();
    xlsx::readWorkbook(path.string(), *workbook);
    return workbook;
}

namespace {

const char* kindName(SheetKind kind) { return kind == SheetKind::Worksheet ? "worksheet" : "chartsheet"; }

const char* visibilityName(SheetVisibility v) {
    switch (v) {
        case SheetVisibility::Visible: return "visible";
        case SheetVisibility::Hidden: return "hidden";
        case SheetVisibility::VeryHidden: return "veryHidden";
    }
    return "?";
}

void describeCell(std::ostream& out, const Worksheet& sheet, const Cell& cell) {
    const StringPool& pool = sheet.workbookStore().strings;
    switch (cell.kind) {
        case CellKind::Empty: out << "empty"; break;
        case CellKind::Number: out << "n:" << cell.payload.number; break;
        case CellKind::String: out << "s:" << pool.text(cell.payload.stringId); break;
        case CellKind::Boolean: out << "b:" << cell.payload.boolean; break;
        case CellKind::Error: out << "e:" << pool.text(cell.payload.stringId); break;
        case CellKind::Formula: {
            const Formula& f = sheet.store().formulas()[cell.payload.formulaId];
            out << "f:" << f.text;
            if (f.isArray) out << " {" << areaAddress(f.arrayArea, false) << "}";
            out << " -> ";
            switch (f.cachedKind) {
                case CellKind::Number: out << f.cachedNumber; break;
                case CellKind::Boolean: out << "b:" << f.cachedNumber; break;
                case CellKind::String:
                case CellKind::Error: out << "'" << f.cachedText << "'"; break;
                default: out << "none"; break;
            }
            break;
        }
    }
    out << " style " << cell.style;
}

}  // namespace

std::string describeWorkbook(const Workbook& workbook) {
    std::ostringstream out;
    out.precision(17);
    for (const auto& sheet : workbook.sheets()) {
        out << "sheet '" << sheet->name() << "' " << kindName(sheet->kind()) << " " << visibilityName(sheet->visibility())
            << "\n";
        if (sheet->kind() != SheetKind::Worksheet) continue;
        const auto& ws = static_cast<const Worksheet&>(*sheet);
        out << "  default row height " << ws.defaultRowHeight() << ", column width " << ws.defaultColumnWidth() << "\n";
        for (const RowInfo& row : ws.store().rows()) {
            if (row.height >= 0 || row.hidden || row.hasStyle)
                out << "  row " << row.row << " height " << row.height << (row.customHeight ? " custom" : "")
                    << (row.hidden ? " hidden" : "") << (row.hasStyle ? " style " + std::to_string(row.style) : "")
                    << "\n";
            for (const Cell& cell : row.cells) {
                if (cell.kind == CellKind::Empty && cell.style == 0) continue;
                out << "  " << cellAddress(row.row, cell.column, false) << " ";
                describeCell(out, ws, cell);
                out << "\n";
            }
        }
        for (const ColumnInfo& col : ws.store().columns())
            out << "  cols " << col.first << "-" << col.last << " width " << col.width << (col.hidden ? " hidden" : "")
                << (col.hasStyle ? " style " + std::to_string(col.style) : "") << "\n";
        for (const Area& merge : ws.mergedAreas()) out << "  merge " << areaAddress(merge, false) << "\n";
    }
    for (const DefinedName& name : workbook.definedNames())
        out << "name " << name.name << " [" << name.localSheet << "] = " << name.formula << name.extraAttributes << "\n";
    return out.str();
}

size_t valueCellCount(const Workbook& workbook) {
    size_t count = 0;
    for (const auto& sheet : workbook.worksheets())
        for (const RowInfo& row : sheet->store().rows())
            count += std::count_if(row.cells.begin(), row.cells.end(), [](const Cell& c) { return c.kind != CellKind::Empty; });
    return count;
}

std::vector<std::string> fixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fixtureDir())) {
        std::string ext = entry.path().extension().string();
        if (ext == ".xlsx" || ext == ".xlsm") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    size_t n;
    std::string text;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
    int status = pclose(pipe);
    if (output) *output = std::move(text);
    return status;
}

std::string zipListing(const std::filesystem::path& path) {
    std::string out;
    runCommand("/usr/bin/python3 -c \"import sys,zipfile; print('\\n'.join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))\" '" +
                   path.string() + "'",
               &out);
    return out;
}

}  // namespace tavlora::test
