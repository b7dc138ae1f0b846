#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "data/Recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tavlora::data {

// The rows of one query on an SQLite database file, read forward as the cursor moves: only the
// current row is held. The database is opened read-only and never created.
//
// Values: INTEGER -> Long when it fits 32 bits, else LongLong; REAL -> Double; TEXT -> String;
// BLOB -> String of its bytes read as UTF-8; NULL -> Null. Texts and blobs that are not
// well-formed UTF-8 have each bad sequence replaced by U+FFFD. Field names are the column names
// SQLite reports (the AS alias where the query gives one).
//
// A missing file, a query SQLite rejects, a query of several statements, or a failure while
// stepping raises com::Error carrying SQLite's message.
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
    SqliteRecordset(std::unique_ptr<Connection> connection, std::vector<std::string> names);

    com::Variant currentValue(int32_t index) const override;
    void step();

    std::unique_ptr<Connection> connection_;
    bool eof_ = false;
};

}  // namespace tavlora::data
