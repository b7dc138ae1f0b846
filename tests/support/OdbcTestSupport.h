#pragma once
#include <optional>
#include <string>

// The databases the ODBC tests read: a private PostgreSQL server (started by the CTest fixture,
// see postgres_server.sh) and SQLite files through SQLite's ODBC driver.
namespace tavlora::test {

// The connection string of the test server, or nothing with `whyNot` set when there is none.
std::optional<std::string> postgresConnection(std::string& whyNot);

// A connection string for an SQLite file through the SQLite ODBC driver; nothing (with `whyNot`)
// when the driver is not installed.
std::optional<std::string> sqliteOdbcConnection(const std::string& databaseFile, std::string& whyNot);

// Runs statements (no result wanted) on a connection; fails the calling test with the driver's
// message when one fails.
void odbcExecute(const std::string& connection, const std::string& sql);

}  // namespace tavlora::test

// Skips the test, saying why, when the PostgreSQL test server is not there.
#define TAVLORA_REQUIRE_POSTGRES(connectionVariable)                                        \
    std::string connectionVariable;                                                          \
    {                                                                                        \
        std::string whyNot;                                                                  \
        auto found = ::tavlora::test::postgresConnection(whyNot);                            \
        if (!found) GTEST_SKIP() << "no PostgreSQL test server: " << whyNot;                 \
        connectionVariable = *found;                                                         \
    }
