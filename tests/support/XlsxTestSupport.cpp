#include "support/XlsxTestSupport.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

#include "host/Application.h"
#include "host/cells/CellRef.h"
#include "host/Worksheet.h"
#include "host/xlsx/PackageReader.h"
#include "host/xlsx/ZipInput.h"
#include "support/TestPaths.h"

namespace tavlora::test {

using namespace tavlora::host;

std::shared_ptr<Workbook> emptyWorkbook() { return std::make_shared<Workbook>(files::newApplication(), "Book1"); }

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
            if (f.isArray()) out << " {" << areaAddress(f.arrayArea(), false) << "}";
            out << " -> ";
            switch (f.cachedKind) {
                case CellKind::Number: out << f.cachedNumber; break;
                case CellKind::Boolean: out << "b:" << f.cachedNumber; break;
                case CellKind::String:
                case CellKind::Error: out << "'" << f.cachedText() << "'"; break;
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

int convertWithLibreOffice(const std::filesystem::path& workDir, const std::filesystem::path& file,
                           const std::string& format, const std::filesystem::path& outDir, std::string* log) {
    return runCommand("cd '" + workDir.string() + "' && timeout 180 soffice --headless --norestore -env:UserInstallation=file://" +
                          (workDir / "lo-profile").string() + " --convert-to " + format + " --outdir '" + outDir.string() +
                          "' '" + file.string() + "'",
                      log);
}

std::string zipListing(const std::filesystem::path& path) {
    std::string out;
    runCommand("/usr/bin/python3 -c \"import sys,zipfile; print('\\n'.join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))\" '" +
                   path.string() + "'",
               &out);
    return out;
}

}  // namespace tavlora::test

#include <zip.h>

namespace tavlora::test {

PartList minimalPackage() {
    return {
        {"[Content_Types].xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/>)"
         R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
         R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
         R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)"
         R"(</Types>)"},
        {"_rels/.rels",
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
         R"(</Relationships>)"},
        {"xl/workbook.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
         R"(<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
         R"(</Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
         R"(<sheetData><row r="1"><c r="A1"><v>1</v></c><c r="B1" t="s"><v>0</v></c></row></sheetData></worksheet>)"},
        {"xl/sharedStrings.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="1" uniqueCount="1">)"
         R"(<si><t>x</t></si></sst>)"},
    };
}

PartList packageWithRows(const std::string& rowsXml) {
    PartList parts = minimalPackage();
    replacePart(parts, "xl/worksheets/sheet1.xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                "<sheetData>" + rowsXml + "</sheetData></worksheet>");
    return parts;
}

PartList packageWithTable(const std::string& rowsXml, const std::string& tableXml) {
    PartList parts = minimalPackage();
    for (auto& [name, bytes] : parts)
        if (name == "[Content_Types].xml")
            bytes.insert(bytes.find("</Types>"),
                         R"(<Override PartName="/xl/tables/table1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"/>)");
    replacePart(parts, "xl/worksheets/sheet1.xml",
                R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheetData>)" +
                    rowsXml + R"(</sheetData><tableParts count="1"><tablePart r:id="rId1"/></tableParts></worksheet>)");
    parts.emplace_back("xl/worksheets/_rels/sheet1.xml.rels",
                       R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                       R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/table" Target="../tables/table1.xml"/>)"
                       R"(</Relationships>)");
    parts.emplace_back("xl/tables/table1.xml", R"(<?xml version="1.0" encoding="UTF-8"?>)" + tableXml);
    return parts;
}

std::string officeRelationship(const std::string& id, const std::string& kind, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
           kind + "\" Target=\"" + target + "\"/>";
}

std::string relationshipsPart(const std::string& body) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)" +
           body + "</Relationships>";
}

void replacePart(PartList& parts, const std::string& name, std::string bytes) {
    for (auto& part : parts) {
        if (part.first == name) {
            part.second = std::move(bytes);
            return;
        }
    }
    parts.emplace_back(name, std::move(bytes));
}

void removePart(PartList& parts, const std::string& name) {
    std::erase_if(parts, [&](const auto& part) { return part.first == name; });
}

void writeZip(const std::filesystem::path& path, const PartList& parts) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot create test zip");
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_discard(archive);
            throw std::runtime_error("cannot add to test zip");
        }
    }
    if (zip_close(archive) != 0) throw std::runtime_error("cannot write test zip");
}

std::string zipPartText(const std::filesystem::path& path, const std::string& part) {
    xlsx::ZipInput zip(path.string(), {});
    const xlsx::ZipEntry* entry = zip.find(part);
    if (!entry) {
        ADD_FAILURE() << path << " has no part " << part;
        return "";
    }
    return zip.readString(*entry);
}

}  // namespace tavlora::test
