#include "data/SqliteRecordset.h"

#include <sqlite3.h>

#include <limits>

#include "base/Utf8.h"
#include "data/DataErrors.h"

namespace tavlora::data {

// Owns the connection and the statement; the statement is finalized before the database closes.
struct SqliteRecordset::Connection {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;

    ~Connection() {
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
};

namespace {

[[noreturn]] void throwSqliteError(sqlite3* db, const std::string& context) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    throw com::Error(hr::kQueryFailed, context + ": " + message);
}

std::vector<std::string> columnNames(sqlite3_stmt* statement) {
    int count = sqlite3_column_count(statement);
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(statement, i);
        if (!name) throw com::Error(com::hr::kOutOfMemory, "out of memory reading the column names");
        names.push_back(base::toValidUtf8(name));
    }
    return names;
}

// True when the text holds nothing but blanks and comments (what SQLite prepares to no statement).
bool isOnlyCommentOrBlank(sqlite3* db, const char* tail) {
    sqlite3_stmt* next = nullptr;
    const char* rest = nullptr;
    int rc = sqlite3_prepare_v2(db, tail, -1, &next, &rest);
    bool empty = rc == SQLITE_OK && next == nullptr;
    sqlite3_finalize(next);
    return empty;
}

}  // namespace

std::shared_ptr<SqliteRecordset> SqliteRecordset::open(const std::string& databaseFile, std::string_view query) {
    auto connection = std::make_unique<Connection>();
    if (sqlite3_open_v2(databaseFile.c_str(), &connection->db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throwSqliteError(connection->db, "cannot open the database \"" + databaseFile + "\"");
    if (query.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
        throw com::Error(hr::kQueryFailed, "the query is too long");
    const std::string queryText(query);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(connection->db, queryText.c_str(), static_cast<int>(queryText.size()),
                           &connection->statement, &tail) != SQLITE_OK)
        throwSqliteError(connection->db, "the query cannot run");
    if (!connection->statement) throw com::Error(hr::kQueryFailed, "the query cannot run: it holds no statement");
    if (tail && *tail && !isOnlyCommentOrBlank(connection->db, tail))
        throw com::Error(hr::kQueryFailed, "the query cannot run: it holds more than one statement");

    std::vector<std::string> names = columnNames(connection->statement);
    std::shared_ptr<SqliteRecordset> recordset(new SqliteRecordset(std::move(connection), std::move(names)));
    recordset->step();  // stand on the first row, as an opened recordset does
    return recordset;
}

SqliteRecordset::SqliteRecordset(std::unique_ptr<Connection> connection, std::vector<std::string> names)
    : Recordset(std::move(names)), connection_(std::move(connection)) {}

SqliteRecordset::~SqliteRecordset() = default;

void SqliteRecordset::step() {
    int rc = sqlite3_step(connection_->statement);
    if (rc == SQLITE_ROW) return;
    eof_ = true;
    if (rc != SQLITE_DONE) throwSqliteError(connection_->db, "reading the next row failed");
}

void SqliteRecordset::MoveNext() {
    if (eof_) throwNoCurrentRecord();
    step();
}

com::Variant SqliteRecordset::currentValue(int32_t index) const {
    sqlite3_stmt* statement = connection_->statement;
    switch (sqlite3_column_type(statement, index)) {
        case SQLITE_INTEGER: {
            sqlite3_int64 value = sqlite3_column_int64(statement, index);
            if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
                return com::Variant(static_cast<int32_t>(value));
            return com::Variant(static_cast<int64_t>(value));
        }
        case SQLITE_FLOAT:
            return com::Variant(sqlite3_column_double(statement, index));
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
            int bytes = sqlite3_column_bytes(statement, index);
            if (!text) throw com::Error(com::hr::kOutOfMemory, "out of memory reading a text value");
            return com::Variant(base::toValidUtf8(std::string_view(text, static_cast<size_t>(bytes))));
        }
        case SQLITE_BLOB: {
            const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, index));
            int bytes = sqlite3_column_bytes(statement, index);
            if (!blob) return com::Variant(std::string());  // a zero-length blob
            return com::Variant(base::toValidUtf8(std::string_view(blob, static_cast<size_t>(bytes))));
        }
        default:
            return com::Variant::null();
    }
}

}  // namespace tavlora::data
