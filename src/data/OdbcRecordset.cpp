#include "data/OdbcRecordset.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "base/Utf16.h"
#include "data/DataErrors.h"
#include "data/OdbcColumn.h"
#include "data/OdbcDiagnostics.h"

namespace tavlora::data {

namespace {

// The memory one block of rows may take; wide rows get fewer rows per fetch.
constexpr size_t kBlockBytes = size_t{8} << 20;
// Even the widest rows come several at a time.
constexpr size_t kMinBlockRows = 16;

SQLHANDLE allocate(SQLSMALLINT type, SQLHANDLE parent, const char* what) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!odbcSucceeded(SQLAllocHandle(type, parent, &handle))) {
        if (parent) throwOdbcError(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent, what);
        throw com::Error(hr::kQueryFailed, std::string(what) + ": the ODBC driver manager is not usable");
    }
    return handle;
}

std::u16string wide(std::string_view text, const char* what) {
    std::u16string units = base::utf16FromUtf8(text);
    if (units.size() > static_cast<size_t>(std::numeric_limits<SQLINTEGER>::max()))
        throw com::Error(hr::kQueryFailed, std::string(what) + " is too long");
    return units;
}

SQLWCHAR* sqlText(std::u16string& units) { return reinterpret_cast<SQLWCHAR*>(units.data()); }

}  // namespace

// The handles of one query, freed in the reverse order of their making, and the bound columns.
struct OdbcRecordset::Statement {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    bool connected = false;
    bool finished = false;
    std::vector<OdbcColumn> columns;
    SQLULEN rowsFetched = 0;
    std::vector<SQLUSMALLINT> rowStatus;

    ~Statement() {
        if (statement) SQLFreeHandle(SQL_HANDLE_STMT, statement);
        // Whatever the query changed (a DELETE ... RETURNING is a query too) is undone.
        if (connected) SQLEndTran(SQL_HANDLE_DBC, connection, SQL_ROLLBACK);
        if (connected) SQLDisconnect(connection);
        if (connection) SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment) SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }

    void connect(std::string_view connectionString) {
        environment = allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE, "cannot start ODBC");
        if (!odbcSucceeded(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
            throwOdbcError(SQL_HANDLE_ENV, environment, "cannot start ODBC");
        connection = allocate(SQL_HANDLE_DBC, environment, "cannot start ODBC");
        // The connection string may hold a password: it never goes into a message.
        std::u16string text = wide(connectionString, "the connection string");
        SQLRETURN rc = SQLDriverConnectW(connection, nullptr, sqlText(text), static_cast<SQLSMALLINT>(std::min<size_t>(text.size(), 32767)),
                                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!odbcSucceeded(rc)) throwOdbcError(SQL_HANDLE_DBC, connection, "cannot connect to the database");
        connected = true;
        // A report only reads: the query runs in a transaction that is rolled back at the end,
        // and the driver is asked for a read-only connection. A driver without transactions
        // refuses the first; its database cannot roll back anyway.
        SQLSetConnectAttr(connection, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        SQLSetConnectAttr(connection, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
    }

    void execute(std::string_view query) {
        statement = allocate(SQL_HANDLE_STMT, connection, "cannot prepare a query");
        std::u16string text = wide(query, "the query");
        SQLRETURN rc = SQLExecDirectW(statement, sqlText(text), static_cast<SQLINTEGER>(text.size()));
        if (!odbcSucceeded(rc) && rc != SQL_NO_DATA) throwOdbcError(SQL_HANDLE_STMT, statement, "the query cannot run");
        SQLSMALLINT count = 0;
        if (!odbcSucceeded(SQLNumResultCols(statement, &count)))
            throwOdbcError(SQL_HANDLE_STMT, statement, "the query's fields cannot be read");
        if (count <= 0) throw com::Error(hr::kQueryFailed, "the query cannot run: it gives no rows (it is no SELECT)");
        for (SQLSMALLINT number = 1; number <= count; ++number)
            columns.push_back(OdbcColumn::describe(statement, static_cast<SQLUSMALLINT>(number)));
    }

    void bindBlock(size_t maxBlockRows) {
        size_t rowBytes = 0;
        for (const auto& column : columns) rowBytes += column.bytesPerRow();
        size_t rows = std::clamp(kBlockBytes / std::max<size_t>(rowBytes, 1), kMinBlockRows, kMaxBlockRows);
        rows = std::max<size_t>(1, std::min(rows, maxBlockRows));
        setAttribute(SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN));
        setAttribute(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows));
        // A driver may take fewer rows per fetch than asked (and says so): size the buffers to its choice.
        SQLULEN granted = 0;
        if (odbcSucceeded(SQLGetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) && granted > 0)
            rows = std::min<size_t>(rows, granted);
        rowStatus.assign(rows, SQL_ROW_NOROW);
        setAttribute(SQL_ATTR_ROW_STATUS_PTR, rowStatus.data());
        setAttribute(SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched);
        for (auto& column : columns) column.bind(statement, rows);
    }

    void setAttribute(SQLINTEGER attribute, SQLPOINTER value) {
        if (!odbcSucceeded(SQLSetStmtAttr(statement, attribute, value, 0)))
            throwOdbcError(SQL_HANDLE_STMT, statement, "the driver cannot fetch rows in blocks");
    }

    // The rows of the next block; 0 at the end of the result.
    size_t fetch() {
        if (finished) return 0;
        rowsFetched = 0;
        SQLRETURN rc = SQLFetchScroll(statement, SQL_FETCH_NEXT, 0);
        if (rc == SQL_NO_DATA) {
            finished = true;
            return 0;
        }
        if (!odbcSucceeded(rc)) {
            finished = true;
            throwOdbcError(SQL_HANDLE_STMT, statement, "reading the next rows failed");
        }
        const size_t rows = std::min<size_t>(rowsFetched, rowStatus.size());
        for (size_t r = 0; r < rows; ++r) {
            if (rowStatus[r] == SQL_ROW_ERROR) {
                finished = true;
                throwOdbcError(SQL_HANDLE_STMT, statement, "reading the next rows failed");
            }
        }
        return rows;
    }
};

std::shared_ptr<OdbcRecordset> OdbcRecordset::open(std::string_view connection, std::string_view query,
                                                   size_t maxBlockRows) {
    auto statement = std::make_unique<Statement>();
    statement->connect(connection);
    statement->execute(query);
    statement->bindBlock(maxBlockRows);
    std::vector<std::string> names;
    names.reserve(statement->columns.size());
    for (const auto& column : statement->columns) names.push_back(column.name());
    std::shared_ptr<OdbcRecordset> recordset(new OdbcRecordset(std::move(statement), std::move(names)));
    recordset->fetchBlock();  // stand on the first row, as an opened recordset does
    return recordset;
}

OdbcRecordset::OdbcRecordset(std::unique_ptr<Statement> statement, std::vector<std::string> names)
    : Recordset(std::move(names)), statement_(std::move(statement)) {}

OdbcRecordset::~OdbcRecordset() = default;

void OdbcRecordset::fetchBlock() {
    row_ = 0;
    fetched_ = 0;
    fetched_ = statement_->fetch();
}

void OdbcRecordset::MoveNext() {
    if (Eof()) throwNoCurrentRecord();
    if (++row_ < fetched_) return;
    fetchBlock();
}

com::Variant OdbcRecordset::currentValue(int32_t index) const {
    return statement_->columns[static_cast<size_t>(index)].value(row_);
}

}  // namespace tavlora::data
