#pragma once
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

// Relationships parts (_rels/*.rels): which part refers to which, and the part-name arithmetic
// that resolves their targets.
namespace tavlora::host::xlsx {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // as written: relative to the source part's folder, or absolute ("/xl/...")
    bool external = false;
};
using RelationshipList = std::vector<Relationship>;

// Reads a relationships document; elements that are not relationships are skipped.
RelationshipList parseRelationships(const pugi::xml_document& document);
std::string relationshipsXml(const RelationshipList& relationships);
// The list spelled whole: equal for lists that make equal XML, and cheaper to make than the XML.
std::string relationshipsSpelling(const RelationshipList& relationships);

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"; "" (the package) -> "_rels/.rels".
std::string relationshipsPartOf(std::string_view partName);
// The inverse; false when `partName` is not a relationships part.
bool isRelationshipsPart(std::string_view partName, std::string& sourcePart);
// The part a target names, without the leading "/" ("xl/worksheets/sheet1.xml").
std::string resolveTarget(std::string_view sourcePart, std::string_view target);
// The target that names `targetPart` from `sourcePart` ("worksheets/sheet1.xml").
std::string relativeTarget(std::string_view sourcePart, std::string_view targetPart);
// The last segment of a relationship type ("worksheet", "officeDocument"); transitional and strict
// types end alike.
std::string_view relationshipKind(std::string_view type);
// An id not yet used in the list ("rId7").
std::string freeRelationshipId(const RelationshipList& relationships);

}  // namespace tavlora::host::xlsx
