#include "server/DataSourceFactory.h"

#include "data/MemoryRecordset.h"
#include "data/OdbcRecordset.h"
#include "data/XmlDocument.h"

namespace tavlora::server {

std::shared_ptr<com::Dispatch> openOdbcRecordset(const std::string& connection, const std::string& sql) {
    return data::OdbcRecordset::open(connection, sql);
}

std::shared_ptr<com::Dispatch> makeMemoryRecordset(std::vector<std::string> fieldNames,
                                                   std::vector<std::vector<com::Variant>> rows) {
    return std::make_shared<data::MemoryRecordset>(std::move(fieldNames), std::move(rows));
}

std::shared_ptr<com::Dispatch> loadXmlDocument(const std::string& path) {
    auto document = std::make_shared<data::XmlDocument>();
    if (!document->load(path)) {
        throw com::Error(com::hr::kInvalidArg, "Cannot load the XML file: " + document->loadError());
    }
    return document;
}

}  // namespace tavlora::server
