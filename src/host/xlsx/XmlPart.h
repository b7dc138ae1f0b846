#pragma once
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "host/xlsx/ZipInput.h"

// Parsing parts and reading their nodes whatever namespace prefix the producer chose
// (<worksheet>, <x:worksheet>): elements are matched by local name.
namespace tavlora::host::xlsx {

// Whitespace-only text is kept where it is an element's only content (<t xml:space="preserve"> </t>).
constexpr unsigned kPartParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Parses the part in place; the document takes the buffer over. A host error naming the file and
// the part when the XML is ill-formed.
void parsePart(pugi::xml_document& document, PartBuffer buffer, std::string_view fileName, std::string_view partName);

std::string_view localName(const char* qualifiedName);
// "x:" for "x:worksheet", "" without a prefix.
std::string_view prefixOf(const char* qualifiedName);
pugi::xml_node childByLocalName(pugi::xml_node parent, std::string_view name);
// The attribute with this local name and any prefix (r:id, relationships:id); null when absent.
pugi::xml_attribute prefixedAttribute(pugi::xml_node node, std::string_view localName);
// "1" and "true" are true.
bool isTrue(const char* value);

// A pugixml writer that appends to a string.
class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

private:
    std::string& out_;
};

// The node as XML, byte for byte as pugixml prints it raw.
void appendNodeXml(std::string& out, pugi::xml_node node);
// The start tag of an element with its attributes ("<x:worksheet xmlns:x=\"...\">").
void appendStartTag(std::string& out, pugi::xml_node element);

}  // namespace tavlora::host::xlsx
