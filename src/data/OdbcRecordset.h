#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "data/Recordset.h"

namespace tavlora::data {

// The rows of one query on any database with an ODBC driver, read forward, a block of rows per
// fetch into column arrays: only the current block is held. The cursor is forward-only; the
// query runs in a transaction that is rolled back when the recordset goes, so a query that
// changes data (DELETE ... RETURNING) leaves the database as it was, where the driver has
// transactions.
//
// Values, as SqliteRecordset gives them: integer types -> Long when the value fits 32 bits, else
// LongLong; REAL/FLOAT/DOUBLE -> Double; NUMERIC/DECIMAL -> Currency when the value is exact at 4
// decimals and fits Currency's range, else Double (per value); DATE, TIME, TIMESTAMP -> Date;
// BIT (and columns whose database type is bool or boolean) -> Boolean; text, read through the
// driver's wide-character calls -> String (UTF-8); binary -> String of its bytes read as UTF-8
// (bad sequences become U+FFFD); NULL -> Null. A text or binary value longer than 65,535 units is
// refused with an error naming the field, never cut. Field names are as the driver reports them.
//
// A connection the driver refuses (wrong password, unknown data source), a query it rejects, a
// query without a result set and a failure while fetching (a lost connection) raise com::Error
// carrying the driver's SQLSTATE and message.
class OdbcRecordset final : public Recordset {
public:
    // Rows per fetch are chosen from the width of a row, at most this many.
    static constexpr size_t kMaxBlockRows = 1024;

    // `connection`: an ODBC connection string ("DSN=sales;UID=report" or
    // "Driver=/usr/lib/.../psqlodbcw.so;Server=...;Database=..."). `maxBlockRows` caps the rows
    // per fetch (tests use small blocks to cross block boundaries).
    static std::shared_ptr<OdbcRecordset> open(std::string_view connection, std::string_view query,
                                               size_t maxBlockRows = kMaxBlockRows);

    ~OdbcRecordset() override;
    OdbcRecordset(const OdbcRecordset&) = delete;
    OdbcRecordset& operator=(const OdbcRecordset&) = delete;

    bool Eof() const override { return row_ >= fetched_; }
    void MoveNext() override;

private:
    struct Statement;
    OdbcRecordset(std::unique_ptr<Statement> statement, std::vector<std::string> names);

    com::Variant currentValue(int32_t index) const override;
    void fetchBlock();

    std::unique_ptr<Statement> statement_;
    size_t row_ = 0;
    size_t fetched_ = 0;
};

}  // namespace tavlora::data
