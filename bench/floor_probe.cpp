// The floor of a job: the least work any writer has to do for its cells. Reads the same records
// (or makes the same values), builds the sheet XML and the shared strings XML in memory, then
// deflates them once with zlib at level 6 and once with libdeflate at level 6, one thread each.
// No template, no styles, no zip container, no file. Prints the seconds of each way as JSON.
// Usage: floor_probe JOB INPUTS ROWS   (JOB: fill_list, batch, record)
#include <libdeflate.h>
#include <sqlite3.h>
#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "BenchSupport.h"

namespace {

class SheetXml {
public:
    void startRow(long row) {
        row_ = row;
        column_ = 0;
        xml_ += "<row r=\"";
        appendInteger(row);
        xml_ += "\">";
    }
    void endRow() { xml_ += "</row>"; }

    void number(double value) {
        startCell("");
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        xml_.append(buffer, end);
        xml_ += "</v></c>";
    }
    void text(std::string_view value) {
        auto [it, added] = strings_.try_emplace(std::string(value), static_cast<uint32_t>(order_.size()));
        if (added) order_.push_back(&it->first);
        startCell(" t=\"s\"");
        appendInteger(it->second);
        xml_ += "</v></c>";
    }

    std::string sheet() const {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\""
               "http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
               xml_ + "</sheetData></worksheet>";
    }
    std::string sharedStrings() const {
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\""
                          "http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        for (const std::string* text : order_) {
            out += "<si><t>";
            for (char ch : *text) {
                switch (ch) {
                    case '<': out += "&lt;"; break;
                    case '>': out += "&gt;"; break;
                    case '&': out += "&amp;"; break;
                    default: out += ch;
                }
            }
            out += "</t></si>";
        }
        return out + "</sst>";
    }

private:
    void appendInteger(long value) {
        char buffer[24];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        xml_.append(buffer, end);
    }
    void startCell(const char* type) {
        xml_ += "<c r=\"";
        xml_ += static_cast<char>('A' + column_++);  // the jobs have ten columns
        appendInteger(row_);
        xml_ += '"';
        xml_ += type;
        xml_ += "><v>";
    }

    std::string xml_;
    long row_ = 0;
    int column_ = 0;
    std::unordered_map<std::string, uint32_t> strings_;
    std::vector<const std::string*> order_;
};

void fillListCells(SheetXml& sheet, long rows) {
    char text[64];
    for (long r = 0; r < rows; ++r) {
        sheet.startRow(3 + r);
        for (int c = 1; c <= 10; ++c) {
            switch (c % 4) {
                case 0: sheet.number(static_cast<double>(r * 10 + c)); break;
                case 1: sheet.number(r * 1.25 + c); break;
                case 2: sheet.text(std::string_view(text, std::snprintf(text, sizeof text, "Item %ld", r % 1000))); break;
                default:
                    sheet.text(std::string_view(text, std::snprintf(text, sizeof text, "Customer %ld-%d", r, c)));
            }
        }
        sheet.endRow();
    }
}

void recordCells(SheetXml& sheet, const std::string& inputs, long rows) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string query = "SELECT * FROM sales ORDER BY id LIMIT " + std::to_string(rows);
    if (sqlite3_open_v2((inputs + "/sales.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "floor_probe: cannot read the database\n");
        std::exit(1);
    }
    long row = 3;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        sheet.startRow(row++);
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            int type = sqlite3_column_type(statement, i);
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                sheet.number(sqlite3_column_double(statement, i));
            } else {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                sheet.text(std::string_view(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, i))));
            }
        }
        sheet.endRow();
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

size_t zlibDeflate(const std::string& input) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, input.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    size_t size = z.total_out;
    deflateEnd(&z);
    // A zip entry needs the CRC too; an external call, so it is not optimised away.
    crc32_z(0, reinterpret_cast<const Bytef*>(input.data()), input.size());
    return size;
}

size_t libdeflateDeflate(const std::string& input) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    std::string out(libdeflate_deflate_compress_bound(compressor, input.size()), '\0');
    size_t size = libdeflate_deflate_compress(compressor, input.data(), input.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    libdeflate_crc32(0, input.data(), input.size());
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: floor_probe JOB INPUTS ROWS\n");
        return 2;
    }
    const std::string job = argv[1];
    const long rows = std::atol(argv[3]);
    tavlora::bench::Stopwatch build;
    SheetXml sheet;
    if (job == "fill_list") fillListCells(sheet, rows);
    else recordCells(sheet, argv[2], rows);
    const std::string parts[] = {sheet.sheet(), sheet.sharedStrings()};
    const double xmlSeconds = build.seconds();

    tavlora::bench::Stopwatch zlibClock;
    size_t zlibBytes = 0;
    for (const std::string& part : parts) zlibBytes += zlibDeflate(part);
    const double zlibSeconds = zlibClock.seconds();
    tavlora::bench::Stopwatch libdeflateClock;
    size_t libdeflateBytes = 0;
    for (const std::string& part : parts) libdeflateBytes += libdeflateDeflate(part);
    const double libdeflateSeconds = libdeflateClock.seconds();
    std::printf("{\"xml\": %.4f, \"zlib6\": %.4f, \"libdeflate6\": %.4f, \"xml_bytes\": %zu, \"zlib6_bytes\": %zu, "
                "\"libdeflate6_bytes\": %zu}\n",
                xmlSeconds, xmlSeconds + zlibSeconds, xmlSeconds + libdeflateSeconds, parts[0].size() + parts[1].size(),
                zlibBytes, libdeflateBytes);
    return 0;
}
