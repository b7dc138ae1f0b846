#include "report/common/MCommXml.h"

#include "com/Conversions.h"
#include "report/common/Failures.h"

namespace tavlora::common::MCommXml {

std::shared_ptr<data::XmlDocument> LoadXmlDocument(const std::string& strFile) {
    try {
        auto document = std::make_shared<data::XmlDocument>();
        if (!document->load(strFile)) {
            noteCause(document->loadError());
            return nullptr;
        }
        return document;
    } catch (...) {
        noteCause(describeException(std::current_exception()));
        return nullptr;
    }
}

std::shared_ptr<data::XmlNodeList> SelectNodesOf(const data::XmlNode& node, const std::string& strQuery) {
    try {
        return node.selectNodes(strQuery);
    } catch (...) {
        noteCause("the query \"" + strQuery + "\" cannot run: " + describeException(std::current_exception()));
        return nullptr;
    }
}

std::shared_ptr<data::XmlNodeList> LoadXmlNodeList(const std::string& strXmlFile, const std::string& strQuery) {
    std::shared_ptr<data::XmlDocument> document = LoadXmlDocument(strXmlFile);
    if (!document) return nullptr;
    return SelectNodesOf(document->documentElement(), strQuery);
}

std::string GetAttributeText(const data::XmlNode& element, const std::string& strName) {
    try {
        com::Variant value = element.getAttribute(strName);
        if (value.isNull()) return std::string();
        return com::toText(value);
    } catch (...) {
        return std::string();
    }
}

std::string GetNodeNameOrText(const data::XmlNode& node, int32_t nMode) {
    switch (nMode) {
        case 0: return node.nodeName();
        case 1: return node.text();
        default: return std::string();
    }
}

}  // namespace tavlora::common::MCommXml
