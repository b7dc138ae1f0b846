#include "support/OdbcTestSupport.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <memory>

#include "data/OdbcDiagnostics.h"
#include "support/TestPaths.h"

namespace tavlora::test {

namespace {

std::string firstLine(const std::filesystem::path& file) {
    std::string text = contentOf(file);
    return text.substr(0, text.find('\n'));
}

struct Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool connected = false;
    ~Handles() {
        if (connected) SQLDisconnect(connection);
        if (connection) SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment) SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

}  // namespace

std::optional<std::string> postgresConnection(std::string& whyNot) {
    const std::filesystem::path state = TAVLORA_POSTGRES_STATE_DIR;
    if (std::filesystem::exists(state / "connection")) return firstLine(state / "connection");
    if (std::filesystem::exists(state / "unavailable")) {
        whyNot = firstLine(state / "unavailable");
    } else {
        whyNot = "it was not started; run tests/support/postgres_server.sh start " + state.string() +
                 " (ctest does that itself)";
    }
    return std::nullopt;
}

std::optional<std::string> sqliteOdbcConnection(const std::string& databaseFile, std::string& whyNot) {
    const std::string driver = TAVLORA_SQLITE_ODBC_DRIVER;
    if (driver.empty() || !std::filesystem::exists(driver)) {
        whyNot = "the SQLite ODBC driver is not installed (package libsqliteodbc)";
        return std::nullopt;
    }
    return "Driver=" + driver + ";Database=" + databaseFile;
}

void odbcExecute(const std::string& connection, const std::string& sql) {
    Handles h;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.environment)));
    SQLSetEnvAttr(h.environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, h.environment, &h.connection)));
    std::string text = connection;
    SQLRETURN rc = SQLDriverConnect(h.connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << data::odbcDiagnostics(SQL_HANDLE_DBC, h.connection);
    h.connected = true;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h.connection, &statement)));
    std::unique_ptr<void, void (*)(void*)> freeStatement(statement, [](void* s) { SQLFreeHandle(SQL_HANDLE_STMT, s); });
    std::string query = sql;
    rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(query.data()), SQL_NTS);
    ASSERT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << data::odbcDiagnostics(SQL_HANDLE_STMT, statement) << "\n" << sql;
}

}  // namespace tavlora::test
