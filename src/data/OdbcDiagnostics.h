#pragma once
#include <sql.h>

#include <string>

// What an ODBC driver says about a failed call, as the library's errors carry it.
namespace tavlora::data {

// "[SQLSTATE] message" for every diagnostic record of the handle, joined by "; "; "" when the
// driver left none.
std::string odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// com::Error (query failed) with the context and the driver's diagnostics.
[[noreturn]] void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& context);

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
inline bool odbcSucceeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace tavlora::data
