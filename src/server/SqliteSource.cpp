#include "data/SqliteRecordset.h"
#include "server/DataSourceFactory.h"

namespace tavlora::server {

std::shared_ptr<com::Dispatch> openSqliteRecordset(const std::string& databasePath, const std::string& sql) {
    return data::SqliteRecordset::open(databasePath, sql);
}

}  // namespace tavlora::server
