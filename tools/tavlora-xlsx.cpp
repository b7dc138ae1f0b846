// tavlora-xlsx: a workbook from the command line.
//
//   tavlora-xlsx roundtrip IN OUT    open IN and save it unchanged as OUT (.xlsx / .xlsm)
//   tavlora-xlsx html IN OUT         save IN as one self-contained web page OUT
//   tavlora-xlsx cat IN [SHEET]      print the used range of SHEET (default: the first worksheet)
//                                    as displayed text, tab-separated, one line per row; tabs,
//                                    line breaks and backslashes in a cell print as escapes
//                                    (backslash-t, backslash-n, backslash-r, two backslashes)
//
// Exit status 0 on success; on failure 1 (2 for a wrong command line) with one line
// "tavlora-xlsx: <message>" on stderr.

#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "com/Conversions.h"
#include "host/files/NewApplication.h"
#include "com/Error.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace {

using namespace tavlora;

constexpr const char* kUsage =
    "usage: tavlora-xlsx roundtrip IN OUT | tavlora-xlsx html IN OUT | tavlora-xlsx cat IN [SHEET]";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::shared_ptr<host::Worksheet> chooseWorksheet(const host::Workbook& book, const std::string& name) {
    if (name.empty()) {
        auto sheets = book.worksheets();
        if (sheets.empty()) com::throwHostError("the workbook has no worksheet");
        return sheets.front();
    }
    for (const auto& sheet : book.sheets()) {
        if (com::upperCase(sheet->name()) != com::upperCase(name)) continue;
        if (sheet->kind() != host::SheetKind::Worksheet) com::throwHostError("'" + sheet->name() + "' is a chart sheet");
        return std::static_pointer_cast<host::Worksheet>(sheet);
    }
    com::throwHostError("the workbook has no sheet named '" + name + "'");
}

void appendField(std::string& line, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\\': line += "\\\\"; break;
        default: line += c;
        }
    }
}

// Walks the stored cells only; empty cells are just the tabs between fields.
void printUsedRange(const std::shared_ptr<host::Worksheet>& sheet, std::ostream& out) {
    // Formulas show computed values; computing first keeps the walk below off a changing store.
    sheet->workbook()->calculate();
    host::Area area;
    if (!sheet->store().usedArea(area)) return;
    const auto& rows = sheet->store().rows();
    auto row = rows.begin();
    std::string line;
    for (int32_t r = area.firstRow; r <= area.lastRow; ++r) {
        line.clear();
        int32_t column = area.firstColumn;
        while (row != rows.end() && row->row < r) ++row;
        if (row != rows.end() && row->row == r) {
            for (const auto& cell : row->cells) {
                if (cell.column < area.firstColumn || cell.column > area.lastColumn) continue;
                line.append(static_cast<size_t>(cell.column - column), '\t');
                column = cell.column;
                appendField(line, sheet->cell(r, cell.column).text());
            }
        }
        line.append(static_cast<size_t>(area.lastColumn - column), '\t');
        line += '\n';
        out << line;
    }
}

int run(const std::vector<std::string>& args) {
    if (args.empty()) throw UsageError(kUsage);
    const std::string& command = args[0];
    auto app = host::files::newApplication();
    app->setDisplayAlerts(false);
    if ((command == "roundtrip" || command == "html") && args.size() == 3) {
        auto book = app->open(args[1]);
        if (command == "roundtrip") book->saveAs(args[2]);
        else book->saveAs(args[2], host::fileformat::kHtml);
        book->close();
        return 0;
    }
    if (command == "cat" && (args.size() == 2 || args.size() == 3)) {
        auto book = app->open(args[1]);
        printUsedRange(chooseWorksheet(*book, args.size() == 3 ? args[2] : ""), std::cout);
        std::cout.flush();
        if (!std::cout) throw std::runtime_error("cannot write the output");
        book->close();
        return 0;
    }
    throw UsageError(kUsage);
}

int fail(int status, std::string_view message) {
    std::string line(message);
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::cerr << "tavlora-xlsx: " << line << '\n';
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        return fail(2, e.what());
    } catch (const com::Error& e) {
        return fail(1, e.what());
    } catch (const std::exception& e) {
        return fail(1, e.what());
    }
}
