#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "data/XmlDocument.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"

// Reading record data from XML files: load, select the record nodes, read a record's values.
// Every object made here belongs to the caller.
namespace tavlora::common::MCommXml {

// A new document loaded from the file; nullptr when the file is missing or not well-formed.
// Never fails.
std::shared_ptr<data::XmlDocument> LoadXmlDocument(const std::string& strFile);

// The nodes the XPath query selects with `node` as context; nullptr for a null node or a query
// that is rejected. Never fails.
std::shared_ptr<data::XmlNodeList> SelectNodesOf(const data::XmlNode& node, const std::string& strQuery);

// Loads the file and evaluates the query with the root element as context: a bare name selects
// children of the root element, a query starting with "/" selects from the document top. nullptr
// when the file cannot be loaded or the query is rejected; an empty list when nothing matches.
std::shared_ptr<data::XmlNodeList> LoadXmlNodeList(const std::string& strXmlFile, const std::string& strQuery);

// The element's attribute of that exact name as text; the empty text when it is absent, when the
// node is null or not an element, or on any failure.
std::string GetAttributeText(const data::XmlNode& element, const std::string& strName);

// Mode 0: the node's name; mode 1: its text (all descendant text); any other mode: the empty text
// without touching the node. A null node in mode 0 or 1 is error 91.
std::string GetNodeNameOrText(const data::XmlNode& node, int32_t nMode);

}  // namespace tavlora::common::MCommXml
