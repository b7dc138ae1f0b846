#pragma once
#include <memory>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "com/Variant.h"

// Data sources for clients that reach the library through its C or Python interface.
namespace tavlora::server {

// A recordset over one SQLite query; com::Error with SQLite's message on failure.
std::shared_ptr<com::Dispatch> openSqliteRecordset(const std::string& databasePath, const std::string& sql);
// A recordset over one query through an ODBC driver (connection string: DSN or Driver=...);
// com::Error with the driver's SQLSTATE and message on failure.
std::shared_ptr<com::Dispatch> openOdbcRecordset(const std::string& connection, const std::string& sql);
// A recordset over rows the client holds.
std::shared_ptr<com::Dispatch> makeMemoryRecordset(std::vector<std::string> fieldNames,
                                                   std::vector<std::vector<com::Variant>> rows);
// An XML document loaded from a file; com::Error when the file is missing or not well-formed.
std::shared_ptr<com::Dispatch> loadXmlDocument(const std::string& path);

}  // namespace tavlora::server
