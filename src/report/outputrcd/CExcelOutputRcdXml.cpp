// Record tables whose rows are XML elements and whose column values are their attributes.
#include <cstdint>

#include "com/Conversions.h"
#include "com/Error.h"
#include "report/common/Failures.h"
#include "report/common/MCommXml.h"
#include "data/XmlDocument.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"
#include "host/Range.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelOutputRcd.h"

namespace tavlora::outputrcd {

namespace MCommXml = common::MCommXml;

namespace {

constexpr int32_t kElementNodeType = static_cast<int32_t>(data::XmlNodeType::Element);

}  // namespace

bool CExcelOutputRcd::DoA_RcdXml0(const std::string& strSheetName,
                                  const std::shared_ptr<data::XmlNodeList>& pDataNodeList,
                                  const std::shared_ptr<data::XmlNodeList>& pFldNodeList, int32_t Row, int32_t Col) {
    auto call = common::memberCall("DoA_RcdXml0", strSheetName, pDataNodeList, pFldNodeList, Row, Col);
    return common::trapFailure(call, false, [&] {
        if (!pDataNodeList) common::refuse("no list of record nodes was given");
        if (pDataNodeList->length() <= 0) common::refuse("the list of record nodes is empty");
        if (!acquireSheet(strSheetName)) return false;
        const int16_t columnCount = CollectXmlFields(pFldNodeList, pDataNodeList);
        if (columnCount <= 0) common::refuse("no column was found: the field nodes gave no key (XmlWay " +
                                             std::to_string(xmlWay_) + ")");
        const std::vector<std::string> captions(astrFldNames_.begin(), astrFldNames_.begin() + columnCount);
        int32_t row = writeTableHead(strSheetName, Row, Col, captions);
        pDataNodeList->reset();
        for (data::XmlNode node = pDataNodeList->nextNode(); !node.isNull(); node = pDataNodeList->nextNode()) {
            if (node.nodeType() != kElementNodeType) common::refuse("the record list holds a node that is not an element");
            // Rows of an XML table are 16-bit: a row past 32,767 ends the table with a failure.
            WriteXmlRow(node, com::narrowToInt16(row), Col);
            row = offsetBy(row, 1);
        }
        fitColumns();
        return true;
    });
}

bool CExcelOutputRcd::DoA_RcdXml(const std::string& strSheetName, const std::string& strXmlFile,
                                 const std::string& strRowQuery, const std::string& strColQuery, int32_t Row,
                                 int32_t Col) {
    auto call = common::memberCall("DoA_RcdXml", strSheetName, strXmlFile, strRowQuery, strColQuery);
    return common::trapFailure(call, false, [&] {
        // One load serves both queries; each is evaluated with the root element as its context.
        std::shared_ptr<data::XmlDocument> document = MCommXml::LoadXmlDocument(strXmlFile);
        if (!document) return false;
        const data::XmlNode root = document->documentElement();
        std::shared_ptr<data::XmlNodeList> rows = MCommXml::SelectNodesOf(root, strRowQuery);
        if (!rows) return false;
        std::shared_ptr<data::XmlNodeList> fields;
        if (xmlWay_ != kXmlWayFirstRecordAttributes) {
            fields = MCommXml::SelectNodesOf(root, strColQuery);
            if (!fields) return false;
        }
        return DoA_RcdXml0(strSheetName, rows, fields, Row, Col);
    });
}

void CExcelOutputRcd::resetFieldTable(int16_t candidates) {
    astrFldKeys_.assign(size_t(candidates) + 1, std::string());
    astrFldNames_.assign(size_t(candidates) + 1, std::string());
}

int16_t CExcelOutputRcd::CollectXmlFields(const std::shared_ptr<data::XmlNodeList>& pFldNodeList,
                                          const std::shared_ptr<data::XmlNodeList>& pDataNodeList) {
    try {
        int16_t accepted = 0;
        auto accept = [&](const data::XmlNode& candidate) {
            if (AddXmlField(candidate, accepted) == 1) accepted = com::narrowToInt16(int64_t(accepted) + 1);
        };
        if (xmlWay_ == kXmlWayFirstRecordAttributes) {
            if (!pDataNodeList) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: no data list");
            const data::XmlNode first = pDataNodeList->item(0);
            if (first.isNull()) return 0;
            data::XmlNamedNodeMap attributes = first.attributes();
            const int16_t candidates = com::narrowToInt16(attributes.length());
            if (candidates < 1) return 0;
            resetFieldTable(candidates);
            attributes.reset();
            for (data::XmlNode node = attributes.nextNode(); !node.isNull(); node = attributes.nextNode()) accept(node);
        } else {
            if (!pFldNodeList) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: no field list");
            const int16_t candidates = com::narrowToInt16(pFldNodeList->length());
            if (candidates < 1) return 0;
            resetFieldTable(candidates);
            pFldNodeList->reset();
            for (data::XmlNode node = pFldNodeList->nextNode(); !node.isNull(); node = pFldNodeList->nextNode()) {
                accept(node);
            }
        }
        return accepted;
    } catch (...) {
        return 0;
    }
}

int16_t CExcelOutputRcd::AddXmlField(const data::XmlNode& node, int16_t nIndex) {
    try {
        std::string key;
        switch (xmlWay_) {
            case kXmlWayFirstRecordAttributes: key = MCommXml::GetNodeNameOrText(node, 0); break;
            case kXmlWayFieldText: key = MCommXml::GetNodeNameOrText(node, 1); break;
            case kXmlWayFieldKeyAttribute:
            case kXmlWayFieldKeyAndCaption: key = MCommXml::GetAttributeText(node, xmlFldKey_); break;
            default: break;
        }
        if (key.empty()) return 0;
        const bool captionFromAttribute = xmlWay_ == kXmlWayFieldKeyAndCaption && !xmlFldAdo_.empty();
        std::string caption = captionFromAttribute ? MCommXml::GetAttributeText(node, xmlFldAdo_) : key;
        astrFldKeys_.at(size_t(nIndex)) = std::move(key);
        astrFldNames_.at(size_t(nIndex)) = std::move(caption);
        return 1;
    } catch (...) {
        return 0;
    }
}

int16_t CExcelOutputRcd::WriteXmlRow(const data::XmlNode& node, int16_t nRow, int32_t nCol) {
    try {
        if (node.nodeType() != kElementNodeType) return 0;
        // Accepted keys fill the table from index 0 without gaps; the first "" ends them.
        const int16_t slots = com::narrowToInt16(int64_t(astrFldKeys_.size()) - 1);
        for (int16_t k = 0; k < slots && !astrFldKeys_[size_t(k)].empty(); ++k) {
            std::string value = MCommXml::GetAttributeText(node, astrFldKeys_[size_t(k)]);
            // A missing or empty attribute leaves whatever the cell already shows.
            if (value.empty()) continue;
            sheet_->cell(nRow, offsetBy(nCol, k)).setValue(com::Variant(std::move(value)));
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace tavlora::outputrcd
