#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "data/Recordset.h"
#include "data/RowsReadAhead.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tavlora::data {

// The rows of one query on an SQLite database file, read forward: the first rows when opened, the
// rest a few hundred at a time on a thread of their own, ahead of the cursor (up to about two
// thousand rows held at once). The database is opened read-only and never created.
//
// Values: INTEGER -> Long when it fits 32 bits, else LongLong; REAL -> Double; TEXT -> String;
// BLOB -> String of its bytes read as UTF-8; NULL -> Null. Texts and blobs that are not
// well-formed UTF-8 have each bad sequence replaced by U+FFFD. Field names are the column names
// SQLite reports (the AS alias where the query gives one).
//
// A missing file, a query SQLite rejects, a query of several statements, or a failure while
// stepping raises com::Error carrying SQLite's message.
//
// One thread at a time (the reading thread aside): the connection runs without SQLite's lock.
class SqliteRecordset final : public Recordset {
public:
    static std::shared_ptr<SqliteRecordset> open(const std::string& databaseFile, std::string_view query);

    ~SqliteRecordset() override;
    SqliteRecordset(const SqliteRecordset&) = delete;
    SqliteRecordset& operator=(const SqliteRecordset&) = delete;

    bool Eof() const override { return eof_; }
    void MoveNext() override;

private:
    struct Connection;
    // The first rows are read at once, on the caller's thread: a small report's records never wait
    // on a thread. Past them, batches of kBatchRows are read ahead, at most kBatchesAhead unread.
    static constexpr size_t kFirstBatchRows = 64;
    static constexpr size_t kBatchRows = 512;
    static constexpr size_t kBatchesAhead = 2;

    SqliteRecordset(std::unique_ptr<Connection> connection, std::vector<std::string> names);

    com::Variant currentValue(int32_t index) const override;
    const com::Variant* heldValue(int32_t index) const override;
    void readBatch(RowBatch& batch, size_t rows) const;
    void standOnFirstRow();
    void endOfBatch();

    std::unique_ptr<Connection> connection_;
    RowBatch batch_;  // the rows the cursor is in
    size_t row_ = 0;  // the cursor's row in batch_
    bool eof_ = false;
    // After connection_: stopped before the statement is finalized.
    std::unique_ptr<RowsReadAhead> ahead_;
};

}  // namespace tavlora::data
