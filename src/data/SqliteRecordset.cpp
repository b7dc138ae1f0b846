#include "data/SqliteRecordset.h"

#include <sqlite3.h>

#include <limits>
#include <system_error>

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

com::Variant columnValue(sqlite3_stmt* statement, int index) {
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

}  // namespace

std::shared_ptr<SqliteRecordset> SqliteRecordset::open(const std::string& databaseFile, std::string_view query) {
    auto connection = std::make_unique<Connection>();
    // The connection is the recordset's alone and a recordset is read by one thread at a time, so
    // SQLite's own lock is not needed: taking it on every column read was a tenth of a list fill.
    if (sqlite3_open_v2(databaseFile.c_str(), &connection->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
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
    recordset->standOnFirstRow();  // as an opened recordset does
    return recordset;
}

SqliteRecordset::SqliteRecordset(std::unique_ptr<Connection> connection, std::vector<std::string> names)
    : Recordset(std::move(names)), connection_(std::move(connection)) {}

SqliteRecordset::~SqliteRecordset() = default;

void SqliteRecordset::readBatch(RowBatch& batch, size_t rows) const {
    sqlite3_stmt* statement = connection_->statement;
    const auto fields = static_cast<size_t>(FieldCount());
    try {
        batch.values.reserve(rows * fields);
        while (batch.rows < rows) {
            const int rc = sqlite3_step(statement);
            if (rc == SQLITE_DONE) {
                batch.last = true;
                return;
            }
            if (rc != SQLITE_ROW) throwSqliteError(connection_->db, "reading the next row failed");
            for (size_t i = 0; i < fields; ++i) batch.values.push_back(columnValue(statement, static_cast<int>(i)));
            ++batch.rows;
        }
    } catch (...) {
        batch.values.resize(batch.rows * fields);  // a row read in part is not one
        batch.error = std::current_exception();
        batch.last = true;
    }
}

void SqliteRecordset::standOnFirstRow() {
    readBatch(batch_, kFirstBatchRows);
    if (batch_.rows == 0) endOfBatch();
    if (batch_.last) return;
    // More rows than a small report holds: the rest are read on a thread of their own.
    try {
        sqlite3* db = connection_->db;
        ahead_ = std::make_unique<RowsReadAhead>([this](RowBatch& batch) { readBatch(batch, kBatchRows); },
                                                 kBatchesAhead, [db] { sqlite3_interrupt(db); });
    } catch (const std::system_error&) {
        // No thread to be had (a process limit): the rows are read here as the cursor needs them.
    }
}

// The cursor has passed the batch's rows: the next batch, the end, or the failure that ended it.
void SqliteRecordset::endOfBatch() {
    for (;;) {
        if (batch_.error) {
            eof_ = true;
            std::rethrow_exception(batch_.error);
        }
        if (batch_.last) {
            eof_ = true;
            return;
        }
        if (ahead_) {
            batch_ = ahead_->next(std::move(batch_));
        } else {
            batch_ = RowBatch{};
            readBatch(batch_, kBatchRows);
        }
        row_ = 0;
        if (batch_.rows != 0) return;
    }
}

void SqliteRecordset::MoveNext() {
    if (eof_) throwNoCurrentRecord();
    if (++row_ < batch_.rows) return;
    endOfBatch();
}

com::Variant SqliteRecordset::currentValue(int32_t index) const { return *heldValue(index); }

const com::Variant* SqliteRecordset::heldValue(int32_t index) const {
    return &batch_.values[row_ * static_cast<size_t>(FieldCount()) + static_cast<size_t>(index)];
}

}  // namespace tavlora::data
